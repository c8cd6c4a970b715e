// The component's owning, ordered list of tasks.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class TranscodeTask;

// Not thread-safe by itself: the component calls every method under its
// lock (MediaEngine), so that a worker's log routing and its terminate
// notification see the list whole. A task's index() is its position here;
// the list keeps it up to date. Indexes outside the list raise
// std::out_of_range.
class TaskList {
 public:
  TaskList();
  ~TaskList();
  TaskList(const TaskList &) = delete;
  TaskList &operator=(const TaskList &) = delete;

  int count() const { return static_cast<int>(items_.size()); }
  TranscodeTask &item(int index) const;
  // Appends; the task's index becomes its position, which is returned.
  int add(std::unique_ptr<TranscodeTask> task);
  // Takes the task out of the list (the caller frees it, outside the lock:
  // freeing waits for the task's worker) and renumbers the later tasks.
  std::unique_ptr<TranscodeTask> extract(int index);
  std::vector<std::unique_ptr<TranscodeTask>> extractAll();
  // The first task whose thread id equals `threadId`, else the first whose
  // helper thread (the output side of its pipeline) has that id, or null.
  TranscodeTask *findByThreadId(uint32_t threadId) const;
  // Whether `task` is (still) in the list.
  bool contains(const TranscodeTask *task) const;

 private:
  std::vector<std::unique_ptr<TranscodeTask>> items_;
};
