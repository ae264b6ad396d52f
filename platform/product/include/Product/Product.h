#pragma once

#include <QSet>
#include <QString>

// Identity of the running product: its names, the extension of its project
// files, its build and the features it is licensed for.
namespace Product {

struct Info
{
    QString name;            // shown to users, e.g. in window titles
    QString applicationName;
    QString registryName;    // the settings store is filed under this name
    QString fileExtension;   // of project files, with its leading dot
    QString buildNumber;     // as text: builds of other origins may carry letters
    QSet<QString> features;  // e.g. "auto_update", "stereo", "mv"
};

// The product this process runs as.
const Info& get();
// Makes another product record the running one (editions, tests).
void set(const Info& product);
// The record a process starts with.
Info mainProduct();

QString name();
QString registryName();
QString fileExtension();
QString buildNumber();
QSet<QString> features();

} // namespace Product
