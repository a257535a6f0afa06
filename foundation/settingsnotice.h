#pragma once

#include "platform/registry.h"

#include <QString>

// The settings store sets a settings file it cannot read aside under a name
// of its own (platform/registry.h); the user is told, in a message box, what
// happened and where the old file is.

// Installs the store's hook: every file set aside from now on is told about
// once, when the event loop next runs unless TellUnreadableSettings comes
// first. The start-up installs it before its first settings read.
void WatchUnreadableSettings();

// Tells now about every file set aside and not told yet: the start-up calls
// it after its first settings read, before any window shows.
void TellUnreadableSettings();

// The message about one file set aside.
QString UnreadableSettingsMessage(const Registry::Store::SetAside &event);
