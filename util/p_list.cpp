// TPList: owned strings with integers, line loading and bisection.
#include "util/p_list.h"

#include "util/path.h"
#include "util/split_lines.h"

namespace zarix {

namespace {

// The part of `text` a zero-terminated copy keeps.
std::string_view UpToZero(std::string_view text) {
  size_t z = text.find('\0');
  return z == std::string_view::npos ? text : text.substr(0, z);
}

}  // namespace

TPList::TPList() : capacity_(kInitialCapacity), delta_(kDelta) {}

void TPList::Grow() {
  if (Count() == capacity_) capacity_ += delta_;
}

int TPList::Add(std::string_view text) {
  Grow();
  items_.push_back(Pair{0, std::string(UpToZero(text))});
  return Count() - 1;
}

int TPList::AddWithValue(std::string_view text, int32_t value) {
  int i = Add(text);
  items_[static_cast<size_t>(i)].value = value;
  return i;
}

const char* TPList::GetString(int i) const {
  if (i < 0 || i >= Count()) return nullptr;
  return items_[static_cast<size_t>(i)].text.c_str();
}

void TPList::SetString(int i, const char* text) {
  if (i < 0 || i >= Count()) return;
  Pair& p = items_[static_cast<size_t>(i)];
  if (text == nullptr) {
    p.text.clear();
    p.value = 0;
  } else {
    p.text = text;
  }
}

void TPList::SetString(int i, std::string_view text) {
  if (i < 0 || i >= Count()) return;
  items_[static_cast<size_t>(i)].text = std::string(UpToZero(text));
}

int32_t TPList::GetValue(int i) const {
  if (i < 0 || i >= Count()) return -1;
  return items_[static_cast<size_t>(i)].value;
}

void TPList::SetValue(int i, int32_t value) {
  if (i < 0 || i >= Count()) return;
  items_[static_cast<size_t>(i)].value = value;
}

int TPList::Delete(int i) {
  if (i < 0 || i >= Count()) return -1;
  items_.erase(items_.begin() + i);
  return 0;
}

void TPList::Clear() { items_.clear(); }

void TPList::SetText(std::string_view text) {
  Clear();
  for (std::string_view line : SplitLineViews(text)) Add(line);
}

bool TPList::LoadFromFile(std::string_view path) {
  std::optional<std::string> data = ReadFileBytes(path);
  if (!data) return false;
  SetText(UpToZero(*data));
  return true;
}

std::string TPList::Text() const {
  std::string out;
  for (const Pair& p : items_) {
    out += p.text;
    out += "\r\n";
  }
  return out;
}

int TPList::IndexOf(std::string_view text) const {
  for (size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].text == text) return static_cast<int>(i);
  }
  return -1;
}

bool TPList::Find(std::string_view text, int* index) const {
  int lo = 0;
  int hi = Count() - 1;
  while (lo <= hi) {
    int mid = lo + (hi - lo) / 2;
    // std::string comparison is byte-wise on unsigned char values.
    int c = std::string_view(items_[static_cast<size_t>(mid)].text).compare(text);
    if (c == 0) {
      *index = mid;
      return true;
    }
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
    }
  }
  *index = lo;
  return false;
}

}  // namespace zarix
