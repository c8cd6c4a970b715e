#include "output_files.h"

#include <fnmatch.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>

#include "pipeline_text.h"

namespace fs = std::filesystem;

static bool nameTaken(const fs::path &p) {
  std::error_code ec;
  const fs::file_status st = fs::symlink_status(p, ec);
  return !ec && fs::exists(st);
}

std::string replaceExtension(const std::string &path, const std::string &extension) {
  const size_t slash = path.rfind('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const std::string_view name = std::string_view(path).substr(nameStart);
  size_t cut = path.size();
  if (name != "." && name != "..") {
    const size_t dot = name.rfind('.');
    if (dot != std::string_view::npos && dot > 0) cut = nameStart + dot;
  }
  return path.substr(0, cut) + extension;
}

std::string freeOutputName(const std::string &path, const std::string &extension,
                           const std::function<bool(const std::string &)> &taken) {
  const std::string stem = replaceExtension(path, std::string());
  std::string candidate = stem + extension;
  for (long n = 1; taken && taken(candidate); ++n) candidate = stem + "-" + std::to_string(n) + extension;
  return candidate;
}

std::string uniqueOutputName(const std::string &path, const std::string &extension,
                             const std::function<bool(const std::string &)> &reserved) {
  return freeOutputName(path, extension, [&reserved](const std::string &candidate) {
    return nameTaken(candidate) || (reserved && reserved(candidate));
  });
}

void deleteFilesByMask(const std::string &folder, const std::string &mask) {
  std::error_code ec;
  fs::directory_iterator it(folder.empty() ? fs::path(".") : fs::path(folder), ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    std::error_code e2;
    if (!it->is_regular_file(e2) || e2) continue;
    const std::string name = it->path().filename().string();
    if (fnmatch(mask.c_str(), name.c_str(), FNM_CASEFOLD) == 0) fs::remove(it->path(), e2);
  }
}

std::string tempFolder() {
  std::error_code ec;
  std::string tmp = fs::temp_directory_path(ec).string();
  if (ec || tmp.empty()) tmp = "/tmp";
  if (tmp.back() != '/') tmp += '/';
  return tmp + "$$7777a/";
}

bool sameFilePath(const std::string &a, const std::string &b) {
  std::error_code ec;
  if (fs::exists(a, ec) && fs::exists(b, ec)) {
    const bool same = fs::equivalent(a, b, ec);
    if (!ec) return same;
  }
  const fs::path pa = fs::weakly_canonical(fs::absolute(a, ec), ec);
  const fs::path pb = fs::weakly_canonical(fs::absolute(b, ec), ec);
  return pa.lexically_normal() == pb.lexically_normal();
}

std::string sourceReplacedBy(const std::string &output, const std::vector<std::string> &sources) {
  struct stat out {};
  if (::stat(output.c_str(), &out) != 0) return {};
  for (const std::string &source : sources) {
    struct stat st {};
    if (::stat(source.c_str(), &st) == 0 && st.st_dev == out.st_dev && st.st_ino == out.st_ino) return source;
  }
  return {};
}

std::string sourceFileOf(const std::string &caption) {
  if (!caption.empty() && nameTaken(caption)) return caption;
  return trimText(caption);
}

bool isRmvbSource(const std::string &source) {
  return lowerText(fs::path(source).extension().string()) == ".rmvb";
}

std::vector<std::string> rmvbScriptLines(const std::string &programFolder, const std::string &source) {
  return {"LoadPlugin(\"" + programFolder + "DirectShowSource.dll\")",
          "DirectShowSource(\"" + source + "\", fps=25, convertfps=true)"};
}

std::string writeScriptFile(const std::string &folder, const std::vector<std::string> &lines) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  std::string dir = folder;
  if (!dir.empty() && dir.back() != '/') dir += '/';
  const std::string script = uniqueOutputName(dir + "r", ".avs");
  std::ofstream out(script, std::ios::binary | std::ios::trunc);
  if (!out) return {};
  for (const std::string &line : lines) out << line << "\r\n";
  out.close();
  if (!out) {
    fs::remove(script, ec);
    return {};
  }
  return script;
}

std::string outputFolderProblem(const std::string &folderText) {
  if (folderText.empty()) return "Please select an output folder!";
  std::error_code ec;
  if (!std::filesystem::is_directory(trimText(folderText), ec))
    return "The output folder \"" + folderText +
           "\"\n\rdoes not exist or has been deleted!\n\rPlease choose a new output folder.";
  return {};
}
