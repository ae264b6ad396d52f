#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

// Identity of the running product: its names, the extension of its project
// files, its build and the features it is licensed for.
namespace Product {

struct Info
{
    QString name;            // shown to users, e.g. in window titles
    QString applicationName;
    QString registryName;    // the settings store is filed under this name
    QString fileExtension;   // of project files, with its leading dot
    QString version;         // the release, e.g. "4.2"
    QString buildNumber;     // as text: builds of other origins may carry letters
    QSet<QString> features;  // e.g. "auto_update", "stereo", "mv"
    // The organisation the settings store is filed under: the company, unless
    // the edition runs inside another vendor's application.
    QString settingsOrganisation;
};

// The product this process runs as.
const Info& get();
// Makes another product record the running one (editions, tests).
void set(const Info& product);
// The record a process starts with.
Info mainProduct();

// Editions: a product comes in editions that share its code, each known by
// its name. list() gives the edition names of a product's family; set() with
// a name makes that edition the running product (an unknown name changes
// nothing). The flag asks to remember the choice for later runs; this
// library does not.
QString mainProductName();
QStringList list(const Info& product);
void set(const QString& editionName, bool remember);

QString name();
QString registryName();
QString fileExtension();
QString buildNumber();
// The release and its build, as users quote it: "4.2 (build 1042)".
QString longVersion();
QSet<QString> features();

} // namespace Product
