// Callbacks that die with their owner.
//
// Work posted to another thread or scheduled on a timer often outlives the
// object that asked for it. An object that may be called back derives from
// `SupportWeakCallback` and hands out its closures through `MakeGuarded`:
//
//   ThreadRegistry::Get().Post(kUiThreadId,
//       window->MakeGuarded([window] { window->OnDownloadDone(); }));
//
// The owner holds the only strong reference to a small `WeakFlag`; every
// `WeakCallback` holds a weak one. When the owner is destroyed the flag goes
// with it and every outstanding callback becomes a no-op that returns a
// default-constructed result (nothing, false, null, zero).
//
// The check is made without a lock. It is sound when the owner is destroyed on
// the thread that runs its callbacks (the rule for UI objects), or while the
// destroying thread waits for that thread (framework threads).
//
// `WeakCallbackFlag` is the same guard used as a data member, so that one group
// of callbacks can be cancelled (`Revoke`) while the object lives on.
#ifndef BASE_WEAK_CALLBACK_H_
#define BASE_WEAK_CALLBACK_H_

#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

namespace nbase {

// Only its lifetime matters.
class WeakFlag {};

template <class F>
class WeakCallback {
 public:
  WeakCallback(std::weak_ptr<WeakFlag> flag, F f) : flag_(std::move(flag)), f_(std::move(f)) {}

  // Lets a WeakCallback of a lambda become a WeakCallback<Closure>.
  template <class G>
    requires(!std::is_same_v<G, F> && std::is_constructible_v<F, const G&>)
  WeakCallback(const WeakCallback<G>& other) : flag_(other.flag_), f_(other.f_) {}

  template <class... Args>
  auto operator()(Args&&... args) const -> std::invoke_result_t<F&, Args...> {
    using Result = std::invoke_result_t<F&, Args...>;
    if (flag_.expired()) {
      if constexpr (std::is_void_v<Result>)
        return;
      else
        return Result{};
    }
    return std::invoke(f_, std::forward<Args>(args)...);
  }

  // True once the owner (or its revoked flag) is gone.
  bool IsDead() const { return flag_.expired(); }

 private:
  template <class G>
  friend class WeakCallback;

  std::weak_ptr<WeakFlag> flag_;
  mutable F f_;
};

class SupportWeakCallback {
 public:
  SupportWeakCallback() = default;
  SupportWeakCallback(const SupportWeakCallback&) = delete;
  SupportWeakCallback& operator=(const SupportWeakCallback&) = delete;
  virtual ~SupportWeakCallback();

  // A weak reference to the current flag, creating the flag when there is none.
  // Not thread-safe: call it on the owner's thread.
  std::weak_ptr<WeakFlag> FlagReference();

  template <class F>
  WeakCallback<std::decay_t<F>> MakeGuarded(F&& f) {
    return WeakCallback<std::decay_t<F>>(FlagReference(), std::forward<F>(f));
  }

 protected:
  void ReleaseFlag() { flag_ref_.reset(); }

 private:
  std::shared_ptr<WeakFlag> flag_ref_;
};

// A guard used as a member: `Revoke()` kills every callback issued so far; the
// next `MakeGuarded` starts a fresh flag.
class WeakCallbackFlag : public SupportWeakCallback {
 public:
  void Revoke() { ReleaseFlag(); }
};

}  // namespace nbase

#endif  // BASE_WEAK_CALLBACK_H_
