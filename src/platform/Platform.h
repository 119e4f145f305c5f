// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace quillane {

class CommonDialog;
class PictureDecoder;
class Printer;
class SettingsStore;
class UrlLauncher;

// Everything outside the program that the windows reach: the desktop's
// services in the program, test doubles in the tests.
struct Platform {
    SettingsStore &settings;
    CommonDialog &commonDialog;
    PictureDecoder &pictureDecoder;
    UrlLauncher &urlLauncher;
    Printer &printer;
};

} // namespace quillane
