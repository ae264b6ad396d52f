#pragma once

#include <QString>
#include <QtGlobal>

namespace Python {

// What every export that names its files folder/prefix + number + suffix +
// extension checks before it writes anything:
// - the prefix, suffix and extension are parts of one file name: a path
//   separator in one would put files outside the folder, a NUL character
//   would cut the name (VUVI_BadArgument);
// - the numbers of the files, first to last, fit the 32 bits a file number
//   has, rather than wrap to 0, and are padded to no more digits than a
//   file name holds (VUVI_OutOfRange).
void checkExportFileNames(const QString& prefix, const QString& suffix, const QString& extension,
                          unsigned int indexWidth, quint64 firstNumber, quint64 lastNumber);

} // namespace Python
