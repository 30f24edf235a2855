// A list with the value semantics of std::vector whose copies share one buffer until one of them
// is changed (copy on write). A timeline hands every entry its own copy of the snapshot; with
// this, seven entries of a snapshot with 100,000 attention items hold the items once, not seven
// times.
//
// Reading never copies: size, empty, the const iterators, operator[] and at on a const list.
// Anything that may change the items (the non-const accessors included) first gives this list a
// buffer of its own when it shares one. As with std::vector, a change may invalidate iterators.
// Copies may be read and copied from any number of threads; changing one list needs the caller's
// exclusive access to that list alone, as for any value. The kit installs this header and the
// field was a std::vector, so the vector operations a host application builds a list with stay.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <memory>
#include <vector>

template <class T>
class SharedList {
 public:
  using value_type = T;
  using size_type = std::size_t;
  using iterator = typename std::vector<T>::iterator;
  using const_iterator = typename std::vector<T>::const_iterator;

  SharedList() = default;
  SharedList(std::vector<T> items)  // NOLINT: converts, as the field used to be a vector
      : items_(items.empty() ? nullptr : std::make_shared<std::vector<T>>(std::move(items))) {}
  SharedList(std::initializer_list<T> items) : SharedList(std::vector<T>(items)) {}

  const std::vector<T>& items() const { return items_ ? *items_ : none(); }
  operator const std::vector<T>&() const { return items(); }

  size_type size() const { return items().size(); }
  bool empty() const { return items().empty(); }
  const_iterator begin() const { return items().begin(); }
  const_iterator end() const { return items().end(); }
  const_iterator cbegin() const { return begin(); }
  const_iterator cend() const { return end(); }
  const T& operator[](size_type i) const { return items()[i]; }
  const T& at(size_type i) const { return items().at(i); }
  const T& front() const { return items().front(); }
  const T& back() const { return items().back(); }

  std::vector<T>& edit() {
    if (!items_)
      items_ = std::make_shared<std::vector<T>>();
    else if (items_.use_count() > 1)
      items_ = std::make_shared<std::vector<T>>(*items_);
    return *items_;
  }
  iterator begin() { return edit().begin(); }
  iterator end() { return edit().end(); }
  T& operator[](size_type i) { return edit()[i]; }
  T& at(size_type i) { return edit().at(i); }
  T& front() { return edit().front(); }
  T& back() { return edit().back(); }
  void push_back(T item) { edit().push_back(std::move(item)); }
  template <class... Args>
  T& emplace_back(Args&&... args) {
    return edit().emplace_back(std::forward<Args>(args)...);
  }
  void pop_back() { edit().pop_back(); }
  void assign(size_type n, const T& item) { edit().assign(n, item); }
  void reserve(size_type n) { edit().reserve(n); }
  void resize(size_type n) { edit().resize(n); }
  void clear() { items_.reset(); }

  // Whether the two share one buffer (for tests and for the equality shortcut).
  bool sharesItemsWith(const SharedList& other) const { return items_ && items_ == other.items_; }

  friend bool operator==(const SharedList& a, const SharedList& b) {
    return a.sharesItemsWith(b) || a.items() == b.items();
  }

 private:
  static const std::vector<T>& none() {
    static const std::vector<T> empty;
    return empty;
  }
  std::shared_ptr<std::vector<T>> items_;
};
