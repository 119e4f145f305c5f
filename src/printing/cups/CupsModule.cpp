// SPDX-License-Identifier: GPL-3.0-or-later
// The entry of the module that holds everything that speaks to CUPS.
#include "printing/CupsModule.h"
#include "printing/cups/CupsPrinter.h"

#include <type_traits>

extern "C" Q_DECL_EXPORT int quillane_cups_module_version()
{
    return quillane::CupsModuleVersion;
}

extern "C" Q_DECL_EXPORT quillane::Printer *
quillane_make_cups_printer(const quillane::CupsBounds *bounds)
{
    return new quillane::CupsPrinter(quillane::CupsPrinter::Resampling::Down, *bounds);
}

static_assert(
    std::is_same_v<decltype(&quillane_cups_module_version), quillane::CupsModuleVersionOf>);
static_assert(std::is_same_v<decltype(&quillane_make_cups_printer), quillane::MakeCupsPrinter>);
