#pragma once
#include <QString>

namespace data {

// Creates a new database file: the 17 empty tables, one operator, and the
// national lists of ethnic groups, education levels and political status.
// Refuses an existing file. On any failure nothing is left behind and
// db::Error is raised with the reason.
void createDatabase(const QString& path, const QString& operatorName, const QString& password);

// The national lists the new file starts with, in their customary order.
const QStringList& ethnicGroups();
const QStringList& educationLevels();
const QStringList& politicalStatuses();

}
