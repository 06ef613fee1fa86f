// Closures are the unit of work that crosses threads: every task posted to a
// message loop is one. They take no arguments and return nothing; wrap them in
// a WeakCallback (weak_callback.h) when their target may die first.
#ifndef BASE_CALLBACK_H_
#define BASE_CALLBACK_H_

#include <functional>

namespace nbase {

using Closure = std::function<void()>;

}  // namespace nbase

#endif  // BASE_CALLBACK_H_
