#include "app/presenter/ChoiceList.h"

namespace moxel {

void ChoiceList::show(const std::vector<std::string>& texts) {
    count_ = 0;
    selected_ = -1;
    view_.clearList(list_);
    for (const std::string& text : texts) {
        add(text);
    }
}

void ChoiceList::add(const std::string& text) {
    ++count_;
    view_.addListItem(list_, text);
}

void ChoiceList::change(int position, const std::string& text) {
    if (position >= 0 && position < count()) {
        view_.setListItem(list_, position, text);
    }
}

void ChoiceList::select(int position) {
    if (position >= -1 && position < count()) {
        selected_ = position;
        view_.selectIndex(list_, position);
    }
}

} // namespace moxel
