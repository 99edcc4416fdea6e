// Control identifiers of the UPGRADE dialog, shared by the resource script and the code.
#pragma once

#define kIconPlaceholderId 799
#define kStatusLineId 201
#define kInstalledVersionId 300
#define kInstalledDateId 302
#define kInstalledBuildId 303
#define kInstalledBuildLabelId 1303
#define kTemplateTextId 204
#define kUpgradeDateId 402
#define kUpgradeBuildId 403
#define kUpgradeBuildLabelId 1403
#define kStageLineId 225
#define kProgressBarId 600
