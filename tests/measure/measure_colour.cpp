// SPDX-License-Identifier: GPL-3.0-or-later
// The colour table: for every colour form of the test pictures, the mean and
// largest CIEDE2000 distance from LittleCMS's sRGB of the patches the slot
// shows and of those the printer gets.
//   QT_QPA_PLATFORM=offscreen measure_colour
#include "support/colour_cases.h"

#include <QApplication>

#include <cstdio>

using namespace quillane::test;
using namespace quillane::test::colourcases;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    ConfigHome home; // the program's settings in a folder of the tool's own
    Bench bench;
    int failed = 0;
    for (const Row &row : rows()) {
        const auto [slot, page] = bench.loadAndPrint(row.file);
        const Patches expected = reference(row.kind, row.profile);
        if (slot.isNull() || page.isNull() || expected.size() != 16) {
            std::printf("%-55s did not load or print\n", row.name);
            ++failed;
            continue;
        }
        const Difference onSlot = deltaE2000(patchMeans(slot), expected);
        const Difference onPage = deltaE2000(patchMeans(page), expected);
        std::printf("%-55s slot %.2f / %.2f  page %.2f / %.2f\n", row.name, onSlot.mean, onSlot.max,
                    onPage.mean, onPage.max);
    }
    return failed ? 1 : 0;
}
