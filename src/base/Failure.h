// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

namespace quillane {

// A run-time failure as the user sees it: a number and a description.
// Every number and text comes from the catalogue in Failures.h.
struct Failure {
    int number = 0;
    QString description;

    friend bool operator==(const Failure &, const Failure &) = default;
};

// The outcome of an operation that either works or fails.
using MaybeFailure = std::optional<Failure>;

} // namespace quillane
