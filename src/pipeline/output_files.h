// File-system helpers of the job builder: output names, the scratch folder
// for generated scripts, and clean-up by mask.
#pragma once

#include <functional>
#include <string>
#include <vector>

// `path` with the extension of its file name (from the name's last ".",
// unless that is its first character) replaced by `extension` (".mp4", or
// empty to drop it). Worked out on the text: the system library's
// std::filesystem::path::replace_extension writes past its buffer for a
// root path ("/") given an extension that holds a "/".
std::string replaceExtension(const std::string &path, const std::string &extension);

// `path` with its extension replaced by `extension` (".mp4"); when a file of
// that name exists, "-1", "-2", ... is inserted before the extension and the
// first name that does not exist is returned. A dangling link counts as an
// existing file, and so does a name `reserved` tells.
std::string uniqueOutputName(const std::string &path, const std::string &extension,
                             const std::function<bool(const std::string &)> &reserved = {});
// `path` with its extension replaced, "-1", "-2", ... inserted while
// `taken` tells the name is taken (existing files are not looked at).
std::string freeOutputName(const std::string &path, const std::string &extension,
                           const std::function<bool(const std::string &)> &taken);

// Deletes every plain file of `folder` whose name matches `mask` ("*.avs",
// letters compared without regard to case). Errors are ignored.
void deleteFilesByMask(const std::string &folder, const std::string &mask);

// What is wrong with the output folder text before anything is written into
// it: "" when it names an existing folder (blanks around it ignored),
// otherwise the message telling the user to choose one.
std::string outputFolderProblem(const std::string &folderText);

// The system temporary folder followed by "$$7777a/" (always ends in "/").
std::string tempFolder();

// Whether two paths name the same file: the same object on disk when both
// exist, otherwise the same absolute, normalised path.
bool sameFilePath(const std::string &a, const std::string &b);

// The first of `sources` that writing `output` would replace: the same file
// on disk (device and inode, links followed). Empty when none is, or when
// `output` does not exist.
std::string sourceReplacedBy(const std::string &output, const std::vector<std::string> &sources);

// The source file a list caption names: the caption as it is when a file of
// that name exists (blanks at the ends of a file name are part of it),
// otherwise the caption without blanks at its ends.
std::string sourceFileOf(const std::string &caption);

// Whether the file name's extension, in lower case, is ".rmvb".
bool isRmvbSource(const std::string &source);

// The two lines of the script that reads a ".rmvb" source through the
// DirectShow plug-in found in `programFolder` (which ends in a separator).
std::vector<std::string> rmvbScriptLines(const std::string &programFolder, const std::string &source);

// Creates `folder` with its missing parents (errors ignored), picks the
// script name uniqueOutputName(folder + "r", ".avs") and writes `lines`
// with CR LF line ends. Returns the script's path, or "" when it could not
// be written.
std::string writeScriptFile(const std::string &folder, const std::vector<std::string> &lines);
