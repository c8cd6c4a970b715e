// How the engine reaches files. A name is always a path, never a protocol:
// sources are opened by the engine itself and read through an I/O context
// of its own, whose waits a stop request cuts short; formats that would open
// further files named inside a source are refused. Outputs are created
// exclusively under a short hidden temporary name in the folder of their
// final name, locked while written, and given a name only once properly closed.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "av_ptr.h"

// Raised by another thread to make the library's waits (an opening, a read,
// the probing of packets) give up with AVERROR_EXIT.
using InterruptFlag = std::atomic<bool>;

// The library's interrupt callback for `flag` (null: never interrupted).
AVIOInterruptCB interruptCallbackFor(const InterruptFlag *flag);

// `path` made absolute against the current folder, without resolving links
// and without reading anything in it as a protocol.
std::string absolutePath(const std::string &path);

// One source file, opened for reading (never a folder). A regular file is
// read with plain reads; a pipe, socket or device is read without blocking,
// waiting for data in short polls, so that the interrupt flag ends a wait
// within a tenth of a second. Every read first looks at the flag.
class SourceReader {
 public:
  // Null with the reason in `error` ("<path>: no such file or directory",
  // "<path>: Permission denied", ...).
  static std::unique_ptr<SourceReader> open(const std::string &path, const InterruptFlag *interrupt,
                                            std::string &error);
  ~SourceReader();
  SourceReader(const SourceReader &) = delete;
  SourceReader &operator=(const SourceReader &) = delete;

  AVIOContext *io() const { return io_; }

 private:
  SourceReader() = default;
  static int read(void *opaque, uint8_t *buf, int size);
  static int64_t seek(void *opaque, int64_t offset, int whence);

  int fd_ = -1;
  bool stream_ = false;  // not a regular file: waits are polled
  const InterruptFlag *interrupt_ = nullptr;
  AVIOContext *io_ = nullptr;
};

// A demuxer on a source, with the reader it reads through (the demuxer is
// released first).
struct OpenedSource {
  std::unique_ptr<SourceReader> reader;
  InputContextPtr ctx;
};

// Opens `path` as a source: the reader, the format (`forced`, or probed from
// the content and the name), then the demuxer with `params`. `prepare` may
// set fields of the demuxer context before it is opened. Formats that open
// files named inside the source (lists, playlists, image sequences, session
// descriptions) are refused, readers of text, images and devices are
// refused with notMediaFileText(), and so is every further opening a demuxer
// attempts. False with the reason in `error`: the open-error texts, or
// "<path>: stopped while opening" when the flag ended it.
bool openSource(const std::string &path, const AVInputFormat *forced, AVDictionary **params,
                const InterruptFlag *interrupt, const std::function<void(AVFormatContext *)> &prepare,
                OpenedSource &out, std::string &error);

// Why `path` is no source: "<path>: not a video or audio file" (a reader of
// text, images or devices, or no picture or sound that decodes), and
// "<path>: has no picture and no sound" (a container without either).
std::string notMediaFileText(const std::string &path);
std::string noPictureNoSoundText(const std::string &path);

// What the flag-ended opening of `path` reports.
std::string stoppedWhileOpeningText(const std::string &path);

// Hidden temporary files of outputs: ".trevix-part-" followed by eight
// letters or digits, then the output's extension (".trevix-part-k3j9x2qa.mp4").
bool isTemporaryOutputName(const std::string &fileName);

// Removes from `folder` the temporary output files that no conversion holds
// (see OutputTarget: a run that was killed leaves its file unlocked), and
// only those. Returns the paths removed.
std::vector<std::string> removeAbandonedTemporaryFiles(const std::string &folder);

// `path` with `insert` put before the extension of its file name
// ("clip.mp4", "-1": "clip-1.mp4"); the rest of the name is shortened
// (never inside a UTF-8 sequence) where the result would pass the system's
// limit on the length of a name.
std::string nameWithInsert(const std::string &path, const std::string &insert);

// What the name of a stopped output gets before its extension, with the
// position reached: " (stopped at 00-00-09)" at 9 s, for
// "clip (stopped at 00-00-09).mp4".
std::string stoppedNameInsert(int64_t seconds);

// The file of one output. create() makes a new, hidden file in the folder
// of the final name, under a short name of its own (isTemporaryOutputName),
// never opening one that exists, and holds a lock on it (flock) until it is
// named or removed; before that it removes the folder's abandoned temporary
// files. The library writes it through io(); finish() writes out what is
// buffered, commit() moves it to a name of its own. The destructor removes
// a file that was not committed.
class OutputTarget {
 public:
  // Null with the reason in `error` ("Could not open '<final>': <why>").
  // The abandoned temporary files removed are added to `removed`.
  static std::unique_ptr<OutputTarget> create(const std::string &finalPath, std::string &error,
                                              std::vector<std::string> *removed = nullptr);
  ~OutputTarget();
  OutputTarget(const OutputTarget &) = delete;
  OutputTarget &operator=(const OutputTarget &) = delete;

  AVIOContext *io() const { return io_; }
  const std::string &temporaryPath() const { return temporary_; }
  const std::string &finalPath() const { return final_; }
  bool committed() const { return committed_; }
  // The name the file got at commit, spelt as the final name was given to
  // create() (empty before).
  const std::string &keptPath() const { return kept_; }

  // Writes out the buffer and makes the data durable; the file stays open
  // and locked until it is committed. False with the system's reason in
  // `error`.
  bool finish(std::string &error);
  // Moves the finished file to its final name with `insert` put before
  // the extension (nameWithInsert; none: the final name itself). An
  // existing file there is replaced only with `replace`; otherwise the next
  // free name is taken ("-1", "-2", ... after the insert), so that an
  // output is never lost to a name taken meanwhile.
  bool commit(const std::string &insert, bool replace, std::string &error);

 private:
  OutputTarget() = default;
  static int write(void *opaque, uint8_t *buf, int size);
  static int64_t seek(void *opaque, int64_t offset, int whence);
  void closeFile();

  int fd_ = -1;
  AVIOContext *io_ = nullptr;
  std::string temporary_;
  std::string final_;  // absolute
  std::string given_;  // as create() was given it
  std::string kept_;
  bool committed_ = false;
};
