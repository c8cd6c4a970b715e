#include "choice_list.h"

#include <utility>

std::string TChoiceList::Text() const {
  if (ItemIndex < 0 || ItemIndex >= static_cast<int>(Items.size())) return {};
  return Items[static_cast<size_t>(ItemIndex)];
}

void TChoiceList::Clear() {
  Items.clear();
  ItemIndex = -1;
}

void TChoiceList::Assign(std::vector<std::string> items, int index) {
  Items = std::move(items);
  ItemIndex = (index >= 0 && index < static_cast<int>(Items.size())) ? index : -1;
}

int TChoiceList::IndexOf(std::string_view text) const {
  for (size_t i = 0; i < Items.size(); ++i)
    if (Items[i] == text) return static_cast<int>(i);
  return -1;
}

bool TChoiceList::SelectText(std::string_view text) {
  const int i = IndexOf(text);
  if (i < 0) return false;
  ItemIndex = i;
  return true;
}
