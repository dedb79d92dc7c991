#pragma once
// The items a document is made of, and the owning lists that hold them.

#include <memory>
#include <string>
#include <vector>

#include "base/Stream.h"
#include "base/Types.h"

namespace lumvane {

class TGIFImage;

// Base class of everything that lives in a document: header, frames, trailer, extensions.
class TGIFItem : public TPersistent {
public:
  explicit TGIFItem(TGIFImage* image) : image_(image) {}
  TGIFItem(const TGIFItem&) = delete;
  TGIFItem& operator=(const TGIFItem&) = delete;

  virtual TGIFVersion RequiredVersion() const { return Version87a; }
  // Passes the warning to the document with this item as the sender.
  virtual void ReportWarning(int severity, const std::string& message);
  virtual void SaveToStream(TStream& stream) = 0;
  virtual void LoadFromStream(TStream& stream) = 0;
  void SaveToFile(const std::string& path);
  void LoadFromFile(const std::string& path);

  TGIFImage* Image() const { return image_; }

private:
  TGIFImage* const image_;
};

// The one-byte trailer that ends a GIF file.
class TGIFTrailer : public TGIFItem {
public:
  using TGIFItem::TGIFItem;
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream) override;
};

// What every list shares, whatever its items: the owning document and warnings.
class TGIFListBase : public TPersistent {
public:
  explicit TGIFListBase(TGIFImage* image) : image_(image) {}
  TGIFListBase(const TGIFListBase&) = delete;
  TGIFListBase& operator=(const TGIFListBase&) = delete;

  virtual void ReportWarning(int severity, const std::string& message);
  TGIFImage* Image() const { return image_; }

private:
  TGIFImage* const image_;
};

// An owning, ordered list of items.
template <class T>
class TGIFList : public TGIFListBase {
public:
  using TGIFListBase::TGIFListBase;
  ~TGIFList() override { Clear(); }

  int Count() const { return static_cast<int>(items_.size()); }
  T& operator[](int index) const { return *items_.at(index); }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

  int Add(std::unique_ptr<T> item) {
    items_.push_back(std::move(item));
    return Count() - 1;
  }
  void Insert(int index, std::unique_ptr<T> item) { items_.insert(items_.begin() + index, std::move(item)); }
  // Takes the item out and destroys it.
  void Delete(int index) { TakeAt(index).reset(); }
  // Takes out, in one pass, every item for which doomed(index, item) holds, then destroys
  // them front to back.
  template <class Doomed>
  void DeleteIf(Doomed doomed) {
    std::vector<std::unique_ptr<T>> taken;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < items_.size(); ++i) {
      if (doomed(static_cast<int>(i), *items_[i]))
        taken.push_back(std::move(items_[i]));
      else
        items_[kept++] = std::move(items_[i]);
    }
    items_.resize(kept);
    for (auto& item : taken) item.reset();
  }
  // Destroys the items front to back; none of them is in the list any more meanwhile.
  void Clear() {
    std::vector<std::unique_ptr<T>> items = std::move(items_);
    items_.clear();
    for (auto& item : items) item.reset();
  }
  // Takes the item out without destroying it; none when it is not in the list.
  std::unique_ptr<T> Remove(const T* item) {
    for (int i = 0; i < Count(); ++i)
      if (items_[i].get() == item) return TakeAt(i);
    return nullptr;
  }
  int IndexOf(const T* item) const {
    for (int i = 0; i < Count(); ++i)
      if (items_[i].get() == item) return i;
    return -1;
  }
  // Writes every item in list order.
  virtual void SaveToStream(TStream& stream) {
    for (auto& item : items_) item->SaveToStream(stream);
  }

private:
  std::unique_ptr<T> TakeAt(int index) {
    std::unique_ptr<T> item = std::move(items_.at(index));
    items_.erase(items_.begin() + index);
    return item;
  }

  std::vector<std::unique_ptr<T>> items_;
};

}  // namespace lumvane
