#include "file_access.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
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
// Temporary names tried before an output gives up ("-1" ... "-999").
constexpr int kTemporaryNameTries = 1000;

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

std::unique_ptr<OutputTarget> OutputTarget::create(const std::string &finalPath, std::string &error) {
  namespace fs = std::filesystem;
  if (!librariesLoaded()) {
    error = formatText("Could not open '%s'", finalPath.c_str());
    return nullptr;
  }
  std::unique_ptr<OutputTarget> t(new OutputTarget);
  t->final_ = absolutePath(finalPath);
  const fs::path final(t->final_);
  const std::string stem = final.stem().string();
  const std::string extension = final.extension().string();
  for (int n = 0; n < kTemporaryNameTries; ++n) {
    const std::string name = "." + stem + ".part" + (n > 0 ? "-" + std::to_string(n) : std::string()) + extension;
    const std::string candidate = (final.parent_path() / name).string();
    t->fd_ = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
    if (t->fd_ >= 0) {
      t->temporary_ = candidate;
      break;
    }
    if (errno != EEXIST) {
      error = formatText("Could not open '%s': %s", finalPath.c_str(), errnoText(errno).c_str());
      return nullptr;
    }
  }
  if (t->fd_ < 0) {
    error = formatText("Could not open '%s': %s", finalPath.c_str(), errnoText(EEXIST).c_str());
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
  if (fd_ >= 0) ::close(fd_);
  if (!committed_ && !temporary_.empty()) ::unlink(temporary_.c_str());
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
  if (fd_ < 0) return true;
  int code = 0;
  if (io_) {
    libavformat.avio_flush(io_);
    code = io_->error;
  }
  if (code >= 0 && ::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS) code = AVERROR(errno);
  if (::close(fd_) != 0 && code >= 0) code = AVERROR(errno);
  fd_ = -1;
  if (code >= 0) return true;
  const std::string why = systemErrorText(code);
  error = formatText("Could not write '%s': %s", final_.c_str(), why.empty() ? "write error" : why.c_str());
  return false;
}

bool OutputTarget::commit(bool replace, std::string &error) {
  if (committed_) return true;
  if (!finish(error)) return false;
  const int rc = replace ? ::rename(temporary_.c_str(), final_.c_str())
                         : renameNoReplace(temporary_.c_str(), final_.c_str());
  if (rc != 0) {
    if (errno == EEXIST)
      error = formatText("'%s' appeared during the conversion and was not replaced", final_.c_str());
    else
      error = formatText("Could not move the output to '%s': %s", final_.c_str(), errnoText(errno).c_str());
    return false;
  }
  committed_ = true;
  return true;
}
