#pragma once
// End-to-end test harness: a headless desktop, the development service and the real program in
// a temporary folder, plus ways to look at and drive its windows.
//
//   harness::Desktop& d = harness::Desktop::instance();   // Xvfb, openbox, trayer, PulseAudio
//   harness::DevService service; ASSERT_TRUE(service.start()) << service.error();
//   harness::Program zv({.config = QByteArray("[Main]\r\n")});
//   ASSERT_TRUE(zv.start()) << zv.error();
//   harness::WindowId w = harness::waitForWindow("Zelvar快报 ZV6.2", 20000, zv.pid());
//   ASSERT_NE(w, 0u);
#include "harness/desktop.h"
#include "harness/devservice.h"
#include "harness/managedprocess.h"
#include "harness/program.h"
#include "harness/windows.h"
