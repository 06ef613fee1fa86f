#include "base/weak_callback.h"

namespace nbase {

SupportWeakCallback::~SupportWeakCallback() = default;

std::weak_ptr<WeakFlag> SupportWeakCallback::FlagReference() {
  if (!flag_ref_) flag_ref_ = std::make_shared<WeakFlag>();
  return flag_ref_;
}

}  // namespace nbase
