#include "task_list.h"

#include <stdexcept>
#include <string>

#include "transcode_task.h"

namespace {
void checkIndex(int index, int count) {
  if (index < 0 || index >= count)
    throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
}
}  // namespace

TaskList::TaskList() = default;
TaskList::~TaskList() = default;

TranscodeTask &TaskList::item(int index) const {
  checkIndex(index, count());
  return *items_[static_cast<size_t>(index)];
}

int TaskList::add(std::unique_ptr<TranscodeTask> task) {
  task->setIndex(count());
  items_.push_back(std::move(task));
  return count() - 1;
}

std::unique_ptr<TranscodeTask> TaskList::extract(int index) {
  checkIndex(index, count());
  std::unique_ptr<TranscodeTask> t = std::move(items_[static_cast<size_t>(index)]);
  items_.erase(items_.begin() + index);
  for (int i = index; i < count(); ++i) items_[static_cast<size_t>(i)]->setIndex(i);
  return t;
}

std::vector<std::unique_ptr<TranscodeTask>> TaskList::extractAll() {
  std::vector<std::unique_ptr<TranscodeTask>> all;
  all.swap(items_);
  return all;
}

TranscodeTask *TaskList::findByThreadId(uint32_t threadId) const {
  for (const auto &t : items_)
    if (t->threadId() == threadId) return t.get();
  // The second thread of a pipelined run speaks for its task too.
  for (const auto &t : items_)
    if (threadId != 0 && t->helperThreadId() == threadId) return t.get();
  return nullptr;
}

bool TaskList::contains(const TranscodeTask *task) const {
  for (const auto &t : items_)
    if (t.get() == task) return true;
  return false;
}
