// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Printer.h"

namespace quillane {

// How long each step of the CUPS printer may wait for the print service, in milliseconds.
struct CupsBounds {
    // Reaching the service; a local socket connects at once.
    int connect = 5000;
    // Any single wait for an answer or for room to send: the scheduler
    // answers queries in milliseconds and takes a document at disk speed.
    int answer = 10000;
    // Watching an accepted job and its printer for a stop: long enough for
    // the printer to start on the page, short enough not to hold the user.
    int watch = 5000;
};

// What the printing module exports, in C: its interface version, and a new
// CUPS printer with these bounds. The loader refuses a module of another
// version, so that a module left from another build is never called with
// another layout of Printer or CupsBounds: raise it when either changes.
inline constexpr int CupsModuleVersion = 1;
using CupsModuleVersionOf = int (*)();
inline constexpr char CupsModuleVersionName[] = "quillane_cups_module_version";
using MakeCupsPrinter = Printer *(*)(const CupsBounds *bounds);
inline constexpr char MakeCupsPrinterName[] = "quillane_make_cups_printer";

} // namespace quillane
