#pragma once

#include <string>
#include <vector>

#include "app/window/MainView.h"

namespace moxel {

// One drop-down list of the window as the presenter keeps it: how many
// entries it has and which one is selected. Every change is drawn on the
// view at once; what the list holds is known here, never asked of the view.
class ChoiceList {
  public:
    ChoiceList(MainView& view, ListId list) : view_(view), list_(list) {}

    // These entries from now on, none selected.
    void show(const std::vector<std::string>& texts);
    void add(const std::string& text);
    // A position outside the list changes nothing.
    void change(int position, const std::string& text);
    // Selects the entry at that position, or none (-1); a position outside
    // the list changes nothing.
    void select(int position);

    int selected() const { return selected_; } // -1: none
    int count() const { return count_; }

  private:
    MainView& view_;
    ListId list_;
    int count_ = 0;
    int selected_ = -1;
};

} // namespace moxel
