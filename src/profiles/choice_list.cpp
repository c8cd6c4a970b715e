#include "choice_list.h"

#include <utility>

std::string ChoiceList::text() const {
  if (itemIndex < 0 || itemIndex >= static_cast<int>(items.size())) return {};
  return items[static_cast<size_t>(itemIndex)];
}

void ChoiceList::clear() {
  items.clear();
  itemIndex = -1;
}

void ChoiceList::assign(std::vector<std::string> newItems, int index) {
  items = std::move(newItems);
  itemIndex = (index >= 0 && index < static_cast<int>(items.size())) ? index : -1;
}

int ChoiceList::indexOf(std::string_view text) const {
  for (size_t i = 0; i < items.size(); ++i)
    if (items[i] == text) return static_cast<int>(i);
  return -1;
}

bool ChoiceList::selectText(std::string_view text) {
  const int i = indexOf(text);
  if (i < 0) return false;
  itemIndex = i;
  return true;
}
