#pragma once

class QWebEngineProfile;

// The program's own URL scheme "tmr": the HTML list's action links
// ("tmr:///edit=3", "tmr:///sortby=timeleft") are caught before navigation
// and never load anything.
namespace Desktop {

// Registers "tmr" with the web engine. Must run before the application
// object is created; later calls do nothing.
void RegisterUrlSchemes();

// Gives the profile a handler for "tmr". Without one the engine blocks such
// links before the navigation request is seen; with it a click reaches the
// browser's BeforeNavigate2, and a link nobody cancels ends on an error page.
void InstallUrlSchemeHandlers(QWebEngineProfile *profile);

} // namespace Desktop
