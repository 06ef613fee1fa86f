// A list of observers that tolerates changes during a notification.
//
// Removing an observer while the list is being notified only nulls its entry;
// the entries are compacted when the outermost notification ends. Observers
// added during a notification are called in that same notification. Not
// thread-safe: used on one thread (the loop's).
#ifndef BASE_OBSERVER_LIST_H_
#define BASE_OBSERVER_LIST_H_

#include <algorithm>
#include <cstddef>
#include <vector>

namespace nbase {

template <class Observer>
class ObserverList {
 public:
  void AddObserver(Observer* observer) {
    if (observer && !HasObserver(observer)) observers_.push_back(observer);
  }

  void RemoveObserver(Observer* observer) {
    auto it = std::find(observers_.begin(), observers_.end(), observer);
    if (it == observers_.end()) return;
    if (depth_ > 0)
      *it = nullptr;
    else
      observers_.erase(it);
  }

  bool HasObserver(const Observer* observer) const {
    return std::find(observers_.begin(), observers_.end(), observer) != observers_.end();
  }

  // Number of live entries.
  size_t size() const {
    return static_cast<size_t>(std::count_if(observers_.begin(), observers_.end(),
                                             [](Observer* o) { return o != nullptr; }));
  }

  // Calls `fn(observer)` for every observer in order; the vector is re-read
  // after each call, so the callee may add or remove observers.
  template <class Fn>
  void Notify(Fn&& fn) {
    ++depth_;
    for (size_t i = 0; i < observers_.size(); ++i) {
      if (Observer* o = observers_[i]) fn(o);
    }
    if (--depth_ == 0)
      observers_.erase(std::remove(observers_.begin(), observers_.end(), nullptr), observers_.end());
  }

 private:
  std::vector<Observer*> observers_;
  int depth_ = 0;
};

}  // namespace nbase

#endif  // BASE_OBSERVER_LIST_H_
