#include "file_access.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "binding.h"
#include "open_errors.h"
#include "text_format.h"

namespace {

constexpr int kSourceBufferSize = 32768;
constexpr int kOutputBufferSize = 65536;
// How long one wait for a pipe's data lasts before the flag is looked at
// again.
constexpr int kPollMs = 100;
// Temporary names tried before an output gives up.
constexpr int kTemporaryNameTries = 100;
// Free names tried for a kept output ("-1" ... "-9999").
constexpr int kKeptNameTries = 10000;
constexpr char kTemporaryPrefix[] = ".trevix-part-";
constexpr size_t kTemporaryTagLength = 8;

bool raised(const InterruptFlag *flag) { return flag && flag->load(); }

int checkInterrupt(void *opaque) { return raised(static_cast<const InterruptFlag *>(opaque)) ? 1 : 0; }

std::string errnoText(int e) {
  char buf[256];
  return strerror_r(e, buf, sizeof buf);
}

// Formats that open further files (or streams) named inside a source, with
// what such a file is called in the refusal.
struct RefusedFormat {
  const char *name;
  const char *what;
};
constexpr RefusedFormat kRefusedFormats[] = {
    {"concat", "concat list"},
    {"hls", "playlist"},
    {"dash", "stream manifest"},
    {"webm_dash_manifest", "stream manifest"},
    {"imf", "composition playlist"},
    {"image2", "numbered image sequence"},
    {"sdp", "session description"},
    {"rtsp", "stream description"},
    {"vapoursynth", "script"},
};

// Whether `name` is one of the comma-separated names in `names`.
bool namesInclude(const char *names, const char *name) {
  const size_t len = std::strlen(name);
  for (const char *p = names; p && *p;) {
    const char *comma = std::strchr(p, ',');
    const size_t n = comma ? static_cast<size_t>(comma - p) : std::strlen(p);
    if (n == len && std::strncmp(p, name, n) == 0) return true;
    p = comma ? comma + 1 : nullptr;
  }
  return false;
}

const char *refusedKind(const AVInputFormat *format) {
  for (const RefusedFormat &r : kRefusedFormats)
    if (namesInclude(format->name, r.name)) return r.what;
  return nullptr;
}

// Readers that never give a picture or a sound of a video or audio file:
// text (text-mode art, subtitles, metadata), single images and image
// streams, and capture devices.
constexpr const char *kNoMediaReaders[] = {
    "tty",        "bin",   "xbin",     "adf",      "idf",       "ffmetadata",
    "srt",        "ass",   "webvtt",   "microdvd", "subviewer", "subviewer1",
    "jacosub",    "sami",  "realtext", "mpl2",     "pjs",       "vplayer",
    "stl",        "lrc",   "mpsub",    "aqtitle",  "scc",       "tedcaptions",
    "image2pipe", "lavfi",
};

bool readsNoMedia(const AVInputFormat *format) {
  for (const char *name : kNoMediaReaders)
    if (namesInclude(format->name, name)) return true;
  const std::string_view name(format->name ? format->name : "");
  if (name.size() > 5 && name.substr(name.size() - 5) == "_pipe") return true;  // png_pipe, jpeg_pipe, ...
  const AVClass *c = format->priv_class;
  return c && c->category >= AV_CLASS_CATEGORY_DEVICE_VIDEO_OUTPUT && c->category <= AV_CLASS_CATEGORY_DEVICE_INPUT;
}

// A demuxer that tries to open another file gets a refusal.
int refuseNestedOpen(AVFormatContext *s, AVIOContext **, const char *url, int, AVDictionary **) {
  libavutil.av_log(s, AV_LOG_ERROR, "not opening '%s', named inside a source\n", url ? url : "");
  return AVERROR(EPERM);
}

// A header the library could not parse, of a format guessed from the name
// alone, means content no demuxer recognises: kOpenErrorUnknownFormat.
int unknownWhenContentUnknown(SourceReader &reader, int code) {
  if (code != AVERROR_INVALIDDATA || libavformat.avio_seek(reader.io(), 0, SEEK_SET) != 0) return code;
  const AVInputFormat *probed = nullptr;
  const int rc = libavformat.av_probe_input_buffer2(reader.io(), &probed, "", nullptr, 0, 0);
  return rc >= 0 && probed ? code : kOpenErrorUnknownFormat;
}

// The libraries refuse any single allocation above 2 GiB: while a header is
// read, that is a table whose count no file could hold, not a machine short
// of memory.
std::string headerErrorText(int code, const std::string &path) {
  if (code == AVERROR(ENOMEM))
    return path + ": the file is damaged: one of its tables claims more entries than memory could hold";
  return openErrorText(code, path);
}

bool isTagCharacter(char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }

// Eight letters or digits nobody can guess.
std::string randomTag() {
  static std::atomic<uint64_t> counter{0};
  uint64_t bits = 0;
  if (::getrandom(&bits, sizeof bits, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bits))
    bits = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
           (static_cast<uint64_t>(::getpid()) << 32);
  bits += counter.fetch_add(0x9E3779B97F4A7C15ull);
  static constexpr char kDigits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string tag;
  for (size_t i = 0; i < kTemporaryTagLength; ++i, bits /= 36) tag += kDigits[bits % 36];
  return tag;
}

// The name's length in bytes cut to at most `max`, not inside a UTF-8
// sequence.
size_t utf8Cut(const std::string &text, size_t max) {
  if (text.size() <= max) return text.size();
  size_t cut = max;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return cut;
}

int64_t seekFile(int fd, int64_t offset, int whence) {
  if (whence & AVSEEK_SIZE) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return AVERROR(errno);
    return st.st_size;
  }
  const off_t pos = ::lseek(fd, static_cast<off_t>(offset), whence & ~AVSEEK_FORCE);
  return pos < 0 ? AVERROR(errno) : static_cast<int64_t>(pos);
}

void freeIo(AVIOContext *&io) {
  if (!io) return;
  if (librariesLoaded()) {
    libavutil.av_freep(&io->buffer);
    libavformat.avio_context_free(&io);
  }
  io = nullptr;
}

// Renames without ever replacing `to`. Where the file system cannot do that
// in one step, a hard link (which fails on an existing name) stands in.
int renameNoReplace(const char *from, const char *to) {
  if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return -1;
  if (::link(from, to) == 0) {
    ::unlink(from);
    return 0;
  }
  if (errno == EEXIST) return -1;
  struct stat st {};
  if (::lstat(to, &st) == 0) {
    errno = EEXIST;
    return -1;
  }
  return ::rename(from, to);
}

}  // namespace

AVIOInterruptCB interruptCallbackFor(const InterruptFlag *flag) {
  AVIOInterruptCB cb{};
  if (flag) {
    cb.callback = &checkInterrupt;
    cb.opaque = const_cast<InterruptFlag *>(flag);
  }
  return cb;
}

std::string absolutePath(const std::string &path) {
  std::error_code ec;
  const std::filesystem::path p = std::filesystem::absolute(path, ec);
  return ec ? path : p.string();
}

std::string stoppedWhileOpeningText(const std::string &path) { return path + ": stopped while opening"; }

std::string notMediaFileText(const std::string &path) { return path + ": not a video or audio file"; }

std::string noPictureNoSoundText(const std::string &path) { return path + ": has no picture and no sound"; }

// ---------------------------------------------------------------------------
// Sources

std::unique_ptr<SourceReader> SourceReader::open(const std::string &path, const InterruptFlag *interrupt,
                                                 std::string &error) {
  if (!librariesLoaded()) {
    error = "The media libraries are not loaded";
    return nullptr;
  }
  // Without blocking: opening a pipe nobody writes to would wait for a
  // writer.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    error = openErrorText(AVERROR(errno), path);
    return nullptr;
  }
  std::unique_ptr<SourceReader> r(new SourceReader);
  r->fd_ = fd;
  r->interrupt_ = interrupt;
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    error = openErrorText(AVERROR(errno), path);
    return nullptr;
  }
  if (S_ISDIR(st.st_mode)) {
    error = openErrorText(AVERROR(EISDIR), path);
    return nullptr;
  }
  r->stream_ = !S_ISREG(st.st_mode);
  if (!r->stream_) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  auto *buffer = static_cast<unsigned char *>(libavutil.av_malloc(kSourceBufferSize));
  if (buffer)
    r->io_ = libavformat.avio_alloc_context(buffer, kSourceBufferSize, 0, r.get(), &SourceReader::read, nullptr,
                                            r->stream_ ? nullptr : &SourceReader::seek);
  if (!r->io_) {
    libavutil.av_free(buffer);
    error = openErrorText(AVERROR(ENOMEM), path);
    return nullptr;
  }
  return r;
}

SourceReader::~SourceReader() {
  freeIo(io_);
  if (fd_ >= 0) ::close(fd_);
}

int SourceReader::read(void *opaque, uint8_t *buf, int size) {
  auto *r = static_cast<SourceReader *>(opaque);
  for (;;) {
    if (raised(r->interrupt_)) return AVERROR_EXIT;
    const ssize_t n = ::read(r->fd_, buf, static_cast<size_t>(size));
    if (n > 0) return static_cast<int>(n);
    if (n == 0) return AVERROR_EOF;
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return AVERROR(errno);
    pollfd p{r->fd_, POLLIN, 0};
    ::poll(&p, 1, kPollMs);
  }
}

int64_t SourceReader::seek(void *opaque, int64_t offset, int whence) {
  return seekFile(static_cast<SourceReader *>(opaque)->fd_, offset, whence);
}

bool openSource(const std::string &path, const AVInputFormat *forced, AVDictionary **params,
                const InterruptFlag *interrupt, const std::function<void(AVFormatContext *)> &prepare,
                OpenedSource &out, std::string &error) {
  out = OpenedSource{};
  out.reader = SourceReader::open(path, interrupt, error);
  if (!out.reader) return false;
  auto fail = [&](const std::string &why) {
    error = raised(interrupt) ? stoppedWhileOpeningText(path) : why;
    out = OpenedSource{};
    return false;
  };
  const AVInputFormat *format = forced;
  if (!format) {
    const int rc = libavformat.av_probe_input_buffer2(out.reader->io(), &format, path.c_str(), nullptr, 0, 0);
    if (rc < 0 || !format)
      return fail(openErrorText(rc == AVERROR_INVALIDDATA || rc >= 0 ? kOpenErrorUnknownFormat : rc, path));
  }
  if (const char *what = refusedKind(format))
    return fail(formatText("%s: not accepted as a source: it is a %s, which names other files", path.c_str(), what));
  if (readsNoMedia(format)) return fail(notMediaFileText(path));

  AVFormatContext *ctx = libavformat.avformat_alloc_context();
  if (!ctx) return fail(openErrorText(AVERROR(ENOMEM), path));
  ctx->pb = out.reader->io();
  ctx->flags |= AVFMT_FLAG_CUSTOM_IO;
  ctx->interrupt_callback = interruptCallbackFor(interrupt);
  ctx->io_open = &refuseNestedOpen;
  ctx->protocol_whitelist = libavutil.av_strdup("file");
  if (prepare) prepare(ctx);
  // The library frees the context (not the reader) when the opening fails.
  const int rc = libavformat.avformat_open_input(&ctx, path.c_str(), format, params);
  if (rc < 0) return fail(headerErrorText(forced ? rc : unknownWhenContentUnknown(*out.reader, rc), path));
  out.ctx.reset(ctx);
  return true;
}

// ---------------------------------------------------------------------------
// Outputs

bool isTemporaryOutputName(const std::string &fileName) {
  const size_t prefix = sizeof kTemporaryPrefix - 1;
  if (fileName.compare(0, prefix, kTemporaryPrefix) != 0 || fileName.size() < prefix + kTemporaryTagLength)
    return false;
  for (size_t i = prefix; i < prefix + kTemporaryTagLength; ++i)
    if (!isTagCharacter(fileName[i])) return false;
  return fileName.size() == prefix + kTemporaryTagLength || fileName[prefix + kTemporaryTagLength] == '.';
}

std::vector<std::string> removeAbandonedTemporaryFiles(const std::string &folder) {
  std::vector<std::string> removed;
  DIR *dir = ::opendir(folder.c_str());
  if (!dir) return removed;
  const std::string base = folder.empty() || folder.back() == '/' ? folder : folder + "/";
  while (const dirent *e = ::readdir(dir)) {
    if (!isTemporaryOutputName(e->d_name)) continue;
    const std::string path = base + e->d_name;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) continue;
    struct stat held {}, named {};
    // A conversion that runs holds its file locked; one that cannot be
    // locked, or was renamed or replaced meanwhile, is not touched.
    if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        ::lstat(path.c_str(), &named) == 0 && named.st_dev == held.st_dev && named.st_ino == held.st_ino &&
        ::unlink(path.c_str()) == 0)
      removed.push_back(path);
    ::close(fd);
  }
  ::closedir(dir);
  return removed;
}

std::string nameWithInsert(const std::string &path, const std::string &insert) {
  namespace fs = std::filesystem;
  const fs::path p(path);
  const std::string extension = p.extension().string();
  std::string stem = p.stem().string();
  const size_t room = NAME_MAX > insert.size() + extension.size() ? NAME_MAX - insert.size() - extension.size() : 0;
  stem.resize(utf8Cut(stem, room));
  return (p.parent_path() / (stem + insert + extension)).string();
}

std::string stoppedNameInsert(int64_t seconds) {
  seconds = std::max<int64_t>(seconds, 0);
  return formatText(" (stopped at %02" PRId64 "-%02" PRId64 "-%02" PRId64 ")", seconds / 3600, seconds / 60 % 60,
                    seconds % 60);
}

std::unique_ptr<OutputTarget> OutputTarget::create(const std::string &finalPath, std::string &error,
                                                   std::vector<std::string> *removed) {
  namespace fs = std::filesystem;
  if (!librariesLoaded()) {
    error = formatText("Could not open '%s'", finalPath.c_str());
    return nullptr;
  }
  std::unique_ptr<OutputTarget> t(new OutputTarget);
  t->final_ = absolutePath(finalPath);
  t->given_ = finalPath;
  const fs::path final(t->final_);
  const std::vector<std::string> abandoned = removeAbandonedTemporaryFiles(final.parent_path().string());
  if (removed) removed->insert(removed->end(), abandoned.begin(), abandoned.end());
  // The extension is kept while the name stays within the limit.
  std::string extension = final.extension().string();
  if (sizeof kTemporaryPrefix - 1 + kTemporaryTagLength + extension.size() > NAME_MAX) extension.clear();
  int why = EEXIST;
  for (int n = 0; n < kTemporaryNameTries && t->fd_ < 0; ++n) {
    const std::string candidate = (final.parent_path() / (kTemporaryPrefix + randomTag() + extension)).string();
    const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0) {
      why = errno;
      if (why != EEXIST) break;
      continue;
    }
    // Locked from the start; should another run's clean-up have taken it
    // between the creation and the lock, a new name is tried.
    struct stat st {};
    if (::flock(fd, LOCK_EX) == 0 && ::fstat(fd, &st) == 0 && st.st_nlink > 0) {
      t->fd_ = fd;
      t->temporary_ = candidate;
    } else {
      ::close(fd);
    }
  }
  if (t->fd_ < 0) {
    error = formatText("Could not open '%s': %s", finalPath.c_str(), errnoText(why).c_str());
    return nullptr;
  }
  auto *buffer = static_cast<unsigned char *>(libavutil.av_malloc(kOutputBufferSize));
  if (buffer)
    t->io_ = libavformat.avio_alloc_context(buffer, kOutputBufferSize, 1, t.get(), nullptr, &OutputTarget::write,
                                            &OutputTarget::seek);
  if (!t->io_) {
    libavutil.av_free(buffer);
    error = formatText("Could not open '%s': %s", finalPath.c_str(), errnoText(ENOMEM).c_str());
    return nullptr;
  }
  return t;
}

OutputTarget::~OutputTarget() {
  freeIo(io_);
  // Removed while still locked, so that no clean-up sees it half gone.
  if (!committed_ && !temporary_.empty()) ::unlink(temporary_.c_str());
  closeFile();
}

void OutputTarget::closeFile() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

int OutputTarget::write(void *opaque, uint8_t *buf, int size) {
  auto *t = static_cast<OutputTarget *>(opaque);
  int done = 0;
  while (done < size) {
    const ssize_t n = ::write(t->fd_, buf + done, static_cast<size_t>(size - done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return AVERROR(errno);
    if (n == 0) return AVERROR(EIO);
    done += static_cast<int>(n);
  }
  return size;
}

int64_t OutputTarget::seek(void *opaque, int64_t offset, int whence) {
  return seekFile(static_cast<OutputTarget *>(opaque)->fd_, offset, whence);
}

bool OutputTarget::finish(std::string &error) {
  if (fd_ < 0 || committed_) return true;
  int code = 0;
  if (io_) {
    libavformat.avio_flush(io_);
    code = io_->error;
  }
  if (code >= 0 && ::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS) code = AVERROR(errno);
  if (code >= 0) return true;
  const std::string why = systemErrorText(code);
  error = formatText("Could not write '%s': %s", final_.c_str(), why.empty() ? "write error" : why.c_str());
  return false;
}

bool OutputTarget::commit(const std::string &insert, bool replace, std::string &error) {
  if (committed_) return true;
  if (!finish(error)) return false;
  const std::string wanted = insert.empty() ? final_ : nameWithInsert(final_, insert);
  for (int n = 0; n < kKeptNameTries; ++n) {
    const std::string candidate = n == 0 ? wanted : nameWithInsert(final_, insert + "-" + std::to_string(n));
    const int rc = replace && n == 0 ? ::rename(temporary_.c_str(), candidate.c_str())
                                     : renameNoReplace(temporary_.c_str(), candidate.c_str());
    if (rc == 0) {
      // Told as the final name was spelt (relative or not).
      kept_ = nameWithInsert(given_, n == 0 ? insert : insert + "-" + std::to_string(n));
      committed_ = true;
      closeFile();
      return true;
    }
    if (errno != EEXIST) break;
  }
  error = formatText("Could not move the output to '%s': %s", wanted.c_str(), errnoText(errno).c_str());
  return false;
}
