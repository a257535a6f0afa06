#pragma once

// The item pages under fixtures/, read byte per character as a fetched page is.
#include <QString>

QString FixturePage(const char *name);
