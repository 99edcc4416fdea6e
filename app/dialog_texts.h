// The UPGRADE dialog's own texts (UTF-8, shown with kOwnText): its stage and status lines,
// its title, the label of the build rows and its questions' captions, each written once
// here for every place that shows it. Portable.
#pragma once

// Stage line: the upgrade waits for its button (after the preparation, and again after
// the wait for a running program has run out).
constexpr char kReadyLine[] = "Uaktualnienie gotowe, wciśnij 'UAKTUALNIJ'.";
// Stage line of every tick of a countdown.
constexpr char kPreparingLine[] = "Przygotowanie instalacji...";
// Stage line of the tick that found the running programs gone.
constexpr char kProgramsClosedLine[] = "Zamknięto uruchomiany tVis...";
// Stage line: a new copy is missing from the work folder.
constexpr char kDamagedCopiesLine[] = "Uszkodzone pliki uaktualnienia.";
// Status line: no installed product that can be upgraded.
constexpr char kCannotUpgradeLine[] = "Nie można aktualizować tVis!";

// The title, by the installed edition.
constexpr char kKwilTitle[] = "Uaktualnienie systemu KWIL";
constexpr char kTvisTitle[] = "Uaktualnienie tVis (ZRP)";
// The label beside each build number.
constexpr char kBuildLabel[] = "build";

// The cancel question and its caption.
constexpr char kCancelQuestion[] = "Przerwać uaktualnienie?";
constexpr char kCancelCaption[] = "tVis upgrade";
// The caption of the running-program question (its texts: RunningQuestionText).
constexpr char kRunningProgramsCaption[] = "Uaktualnienie";
