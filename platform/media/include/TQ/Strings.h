#pragma once

#include <QString>

namespace TQ {

// Texts of the media library that several libraries show, translated in
// the context "TQ::Strings".
namespace Strings {

// The names new clips start with, by what made them.
enum ClipNamePrefix {
    TrackedClipPrefix = 7,
    InsertClipPrefix = 8,
    RemoveClipPrefix = 9,
    ReorientClipPrefix = 10,
    StabiliseClipPrefix = 11,
};

// The translated prefix ("Insert", "Remove", ...); empty for other values.
QString tr(ClipNamePrefix prefix);

} // namespace Strings
} // namespace TQ
