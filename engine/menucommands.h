#pragma once

#include <functional>

// Windows of the higher subsystems that the main window's menus open
// without linking to them. The program installs them when it registers its
// windows; left empty, the command does nothing.
namespace MenuCommands {

// Help > About: the About window, modal.
inline std::function<void()> ShowAbout;
// Items > Auto Search: the saved searches, modal.
inline std::function<void()> ShowAutoSearch;
// Items > Import / Export / Sync with the online service: the two transfer
// windows of the online service, each modal.
inline std::function<void()> ShowImportOnline;
inline std::function<void()> ShowExportOnline;
// Selling > Scheduled Relistings, Sale Manager, Feedback: modal.
inline std::function<void()> ShowRelistItems;
inline std::function<void()> ShowSales;
inline std::function<void()> ShowFeedbackSettings;

} // namespace MenuCommands
