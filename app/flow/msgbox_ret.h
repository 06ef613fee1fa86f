// The answer of the installer's question box and the callback that carries it.
//
// The box never blocks: whoever shows it gets the answer later, on the UI
// thread, through a `MsgBoxCallback`. Dismissing a question (its close
// button, Escape, Alt+F4) is an answer of its own, never the "no" button: a
// "no" may be destructive ("Kill & Continue").
#pragma once

#include <functional>

enum MsgBoxRet {
  kMsgBoxYes = 0,         // "btn_yes"
  kMsgBoxNo = 1,          // "btn_no"
  kMsgBoxClosed = 2,      // dismissed: the close button, Escape, Alt+F4, the window manager
  kMsgBoxUnanswered = 3,  // no box could be shown at all: take the cautious way
};

// May be empty. Callers pass weak callbacks of their owner so an answer that
// arrives after the owner is gone is dropped.
using MsgBoxCallback = std::function<void(MsgBoxRet)>;
