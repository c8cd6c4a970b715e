// Names and addresses the program shows or opens.
#pragma once

namespace trevix {

inline constexpr const char *kProgramTitle = "Trevix MOV Video Converter";
inline constexpr const char *kOrganisation = "Trevix";
// The desktop's name of the program: its desktop entry and icon (the build
// passes both names).
inline constexpr const char *kDesktopId = TREVIX_APP_ID;
inline constexpr const char *kVersionNumber = TREVIX_VERSION;
inline constexpr const char *kWebSiteUrl = "https://www.trevix-software.example/";
inline constexpr const char *kSupportMailUrl = "mailto:support@trevix-software.example";
// The help page, relative to the program's folder.
inline constexpr const char *kHelpFileName = "help/index.html";

}  // namespace trevix
