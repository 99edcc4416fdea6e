// tvispack's entry point: the command line from the host, the rest in RunTvispack.
#include "tools/host.h"
#include "tools/tvispack.h"

int main(int argc, char** argv) { return RunTvispack(HostArguments(argc, argv), HostOwnFolder()); }
