#pragma once
// The texts the news and update windows show, exactly as the user sees them.

namespace varnolt {

// News service errors (warnings).
inline constexpr const char* kMsgNewsSiteTrouble =
    "There is a trouble accessing the news site. Contact your provider.";
inline constexpr const char* kMsgNewsSettingsTrouble =
    "There is a trouble in the settings file on the news site.";
inline constexpr const char* kMsgNewsPublisherTrouble =
    "There is a trouble with the Publisher Id. Contact your provider.";
inline constexpr const char* kMsgNewsProductTrouble =
    "There is a trouble with the product validation. Contact your provider.";
inline constexpr const char* kMsgNewsItemTrouble =
    "There is a trouble with this news. Contact your provider.";

// "Check News" without any news (information).
inline constexpr const char* kMsgNoNews = "There's no news for this application!";

// Heading of the balloon; the title of the newest message follows it.
inline constexpr const char* kNewsHintHeading = "You've Got A Message!\r\n";

// Live update.
inline constexpr const char* kMsgNoUpdates = "There's no new updates for this application!";
inline constexpr const char* kMsgUpdaterMissing =
    "The updater module is missing. Please reinstall again the current version!";
// The line break is LF then CR, in that order.
inline constexpr const char* kMsgUpdateWillClose =
    "To update your software the application will close to\n\rreplace some files. Do you want "
    "to update now?";

}  // namespace varnolt
