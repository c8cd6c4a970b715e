// Plain choice lists: the items and the selection of one drop-down list.
// The profile logic works on these; the main window mirrors them into its
// combo boxes, and a converter without a window can use them directly.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct ChoiceList {
  std::vector<std::string> items;
  int itemIndex = -1;  // -1: nothing selected

  // The selected item, or an empty text when nothing is selected.
  std::string text() const;
  // Removes every item and the selection.
  void clear();
  // Replaces the items and selects the item at `index` (-1 or an index out
  // of range leaves nothing selected).
  void assign(std::vector<std::string> items, int index = 0);
  // Selects the first item equal to `text`; returns false and keeps the
  // selection when there is none.
  bool selectText(std::string_view text);
  int indexOf(std::string_view text) const;
};

// The setting combos of the main window that the output profiles fill and
// read. Channels, aspect ratio and the two quality levels start as the
// window loads them at creation; the others start empty.
struct ProfileChoices {
  ChoiceList comboVideoCodec;
  ChoiceList comboAudioCodec;
  ChoiceList comboVideoSize;
  ChoiceList comboVideoBitrate;
  ChoiceList comboVideoFramerate;
  ChoiceList comboAudioBitrate;
  ChoiceList comboSamplingRate;
  ChoiceList comboAudioChannels{{"Stereo", "Mono"}, 0};
  ChoiceList comboAspectRatio{{"Original", "4:3 (Standard", "16:9 (Wide Screen)"}, 0};
  ChoiceList comboVideoQuality{{"Highest", "Higher", "Normal", "Lower", "Lowest"}, 2};
  ChoiceList comboAudioQuality{{"Highest", "Higher", "Normal", "Lower", "Lowest"}, 2};
};
