#include "engine_log.h"

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <vector>

#include <sys/syscall.h>
#include <unistd.h>

#include "av_headers.h"
#include "text_format.h"

namespace {

std::atomic<int> gLogLevel{AV_LOG_INFO};

// Guards the component list, the log list and the delivery counter.
std::mutex gListLock;
std::condition_variable gDeliveryDone;
std::vector<LogReceiver *> gReceivers;
int gDeliveriesInFlight = 0;
LogList gLogList;

uint32_t threadIdNow() { return static_cast<uint32_t>(syscall(SYS_gettid)); }

}  // namespace

void engineLogLevelChanged(int level) { gLogLevel = level; }
int engineLogLevel() { return gLogLevel; }

int engineToLibraryLevel(LogLevel level) {
  switch (level) {
    case LogLevel::Quiet: return AV_LOG_QUIET;
    case LogLevel::Error: return AV_LOG_ERROR;
    case LogLevel::Info: return AV_LOG_INFO;
    case LogLevel::Debug: return AV_LOG_DEBUG;
    default: return AV_LOG_TRACE;
  }
}

LogLevel libraryToEngineLevel(int libraryLevel) {
  if (libraryLevel < 0) return LogLevel::Quiet;
  if (libraryLevel <= AV_LOG_ERROR) return LogLevel::Error;
  if (libraryLevel <= AV_LOG_INFO) return LogLevel::Info;   // warnings count as info
  if (libraryLevel <= AV_LOG_DEBUG) return LogLevel::Debug;  // verbose and debug
  return LogLevel::All;
}

LogLevel verbosityLevel(int verbosity) {
  if (verbosity < 0) return LogLevel::Quiet;
  switch (verbosity) {
    case 0: return LogLevel::Error;
    case 1: return LogLevel::Info;
    case 2: return LogLevel::Debug;
    default: return LogLevel::All;
  }
}

LogItem &LogList::findOrAdd(uint32_t threadId) {
  if (first_.threadId == 0 || first_.threadId == threadId) {
    first_.threadId = threadId;
    return first_;
  }
  for (LogItem *i = first_.next.get(); i; i = i->next.get())
    if (i->threadId == threadId) return *i;
  auto item = std::make_unique<LogItem>();
  item->threadId = threadId;
  item->next = std::move(first_.next);
  first_.next = std::move(item);
  return *first_.next;
}

void LogList::clear() {
  // Unlink iteratively so a long chain cannot exhaust the stack.
  std::unique_ptr<LogItem> chain = std::move(first_.next);
  while (chain) chain = std::move(chain->next);
  first_.threadId = 0;
  first_.pending.clear();
}

int LogList::count() const {
  int n = first_.threadId != 0 ? 1 : 0;
  for (const LogItem *i = first_.next.get(); i; i = i->next.get()) ++n;
  return n;
}

void registerLogReceiver(LogReceiver *receiver) {
  std::lock_guard<std::mutex> g(gListLock);
  gReceivers.push_back(receiver);
}

void unregisterLogReceiver(LogReceiver *receiver) {
  std::unique_lock<std::mutex> g(gListLock);
  std::erase(gReceivers, receiver);
  // A delivery that took its snapshot before the removal may still be
  // calling this receiver; wait for it.
  gDeliveryDone.wait(g, [] { return gDeliveriesInFlight == 0; });
}

void clearLogList() {
  std::lock_guard<std::mutex> g(gListLock);
  gLogList.clear();
}

std::string pendingLogText(uint32_t threadId) {
  std::lock_guard<std::mutex> g(gListLock);
  return gLogList.findOrAdd(threadId).pending;
}

namespace {

// Adds the message to the calling thread's pending text and returns the
// lines it completes. A line holds at most kLogLineBufferSize - 1 bytes;
// what is beyond them is dropped, and a cut line ends there rather than
// holding back every later message of the thread.
std::vector<std::string> completeLines(LogItem &item, void *context, const char *format, va_list args) {
  // At the start of a line, the name of the object that speaks.
  const AVClass *avc = context ? *static_cast<AVClass **>(context) : nullptr;
  std::string text = item.pending;
  if (text.empty() && avc) {
    const char *name = avc->item_name ? avc->item_name(context) : avc->class_name;
    text = formatText("[%s @ %08X]", name ? name : "",
                      static_cast<unsigned>(reinterpret_cast<uintptr_t>(context) & 0xFFFFFFFFu));
  }
  if (format) {
    va_list copy;
    va_copy(copy, args);
    text += formatTextV(format, copy);
    va_end(copy);
  }
  text.resize(std::strlen(text.c_str()));  // a line ends at a NUL the arguments carried
  const size_t maxLine = static_cast<size_t>(kLogLineBufferSize) - 1;
  const bool cut = text.size() > maxLine;
  if (cut) text.resize(maxLine);
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t lf = text.find('\n'); lf != std::string::npos; lf = text.find('\n', start)) {
    lines.push_back(text.substr(start, lf - start));
    start = lf + 1;
  }
  item.pending = text.substr(start);
  if (cut && !item.pending.empty()) {
    lines.push_back(item.pending);
    item.pending.clear();
  }
  return lines;
}

}  // namespace

void logCallback(void *context, int level, const char *format, va_list args) {
  if (level > gLogLevel.load()) return;
  const uint32_t tid = threadIdNow();
  std::vector<std::string> lines;
  std::vector<LogReceiver *> receivers;
  {
    std::lock_guard<std::mutex> g(gListLock);
    lines = completeLines(gLogList.findOrAdd(tid), context, format, args);
    if (lines.empty()) return;
    receivers = gReceivers;
    ++gDeliveriesInFlight;
  }
  // Delivered outside the list lock: a receiver takes its own lock, and a
  // thread holding that lock may be issuing library messages itself.
  const LogLevel engineLevel = libraryToEngineLevel(level);
  for (const auto &line : lines)
    for (LogReceiver *r : receivers) r->libraryLogLine(tid, engineLevel, line);
  {
    std::lock_guard<std::mutex> g(gListLock);
    --gDeliveriesInFlight;
  }
  gDeliveryDone.notify_all();
}
