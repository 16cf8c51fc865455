// Answers for the program's own end-to-end tests, taken from the
// environment. Only tests set these variables:
//   VORN_TEST_ANSWERS  comma-separated answers to the message boxes, in
//                      order: yes, no, ok, cancel, notoall, yestoall, none
//   VORN_TEST_RECORD   a file to which every question is appended as one
//                      line "<type>|<text>" (line breaks as \n) and every
//                      request to the desktop as "open|<target>"
// With VORN_TEST_ANSWERS set, boxes are answered from the list (an exhausted
// list answers none) and the desktop is never asked; the request succeeds.
#pragma once

#include <memory>

#include "util/FileDialogs.h"
#include "util/SkinMessage.h"

struct TEnvironmentScript {
    std::unique_ptr<TSkinMessage> Message;
    std::unique_ptr<TShell> Shell;
};

// The scripted message box and shell, or nulls when the program runs for a
// person (VORN_TEST_ANSWERS unset).
TEnvironmentScript EnvironmentScript();
