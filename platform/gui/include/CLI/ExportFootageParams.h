#pragma once

#include <QString>

namespace Rirediro {

// Where footage given on the command line is to be exported: the path of the
// exported clip and the extension of its files.
class ExportFootageParams
{
public:
    void setClipPath(const QString& path);
    void setClipExtension(const QString& extension);

    const QString& clipPath() const { return m_clipPath; }
    const QString& clipExtension() const { return m_clipExtension; }

private:
    QString m_clipPath;
    QString m_clipExtension;
};

} // namespace Rirediro
