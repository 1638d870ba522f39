// The module names the status log shows for every error report.
//
// A procedure reports under the module its original lived in, which is not always the file it is
// written in here (ExportIISSettings, Merge and the comparison procedures report as mCollect, the
// database-file procedures as mGlobalFunctionDef). Every OnError names its module through one of
// these constants; the README maps each name to the files that report under it.
#pragma once

namespace modules {

inline constexpr char mMain[] = "mMain";
inline constexpr char mIniOperation[] = "mIniOperation";
inline constexpr char mCollect[] = "mCollect";
inline constexpr char mDatabase[] = "mDatabase";
inline constexpr char mGlob[] = "mGlob";
inline constexpr char mGlobalFunctionDef[] = "mGlobalFunctionDef";
inline constexpr char mLog[] = "mLog";
inline constexpr char mExport[] = "mExport";
inline constexpr char mReport[] = "mReport";
inline constexpr char mCustom[] = "mCustom";

}  // namespace modules
