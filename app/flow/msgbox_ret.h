// The answer of the installer's question box and the callback that carries it.
//
// The box never blocks: whoever shows it gets the answer later, on the UI
// thread, through a `MsgBoxCallback`. The box's own close button counts as the
// "no" button, so a user who dismisses a question takes the no branch.
#pragma once

#include <functional>

enum MsgBoxRet {
  kMsgBoxYes = 0,  // "btn_yes"
  kMsgBoxNo = 1,   // "btn_no" or the caption's close button
};

// May be empty. Callers pass weak callbacks of their owner so an answer that
// arrives after the owner is gone is dropped.
using MsgBoxCallback = std::function<void(MsgBoxRet)>;
