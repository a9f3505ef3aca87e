#pragma once
// The reseller's brand values, read once at start from the settings file and
// only read afterwards. All fields are bytes exactly as the settings file
// holds them (see util/TextCodec.h for turning them into display text).
#include <string>

namespace varnolt {

struct BrandSettings {
    std::string ApplicationName;
    std::string BranderCode;
    std::string BranderType;   // "Master", "Platinum", "Gold", "Free" or anything else
    std::string AffiliateURL;  // with %%AFFILIATEID%% already replaced
    std::string AffiliateTYPE;
    std::string AffiliateID;
    std::string MasterNewsBaseURL;
    std::string PlatinumNewsBaseURL;
    std::string GoldNewsBaseURL;
    std::string MasterPublID;
    std::string PlatinumPublID;
    std::string GoldPublID;
    std::string AppHelpURL;
    std::string CopyrightYears;
    std::string CopyrightCompany;
    std::string AboutText;
    std::string WelcomeText;
    std::string BannerFile;
    std::string BannerURL;
    int BannerNumber = 0;  // 1-based entry number of the chosen banner, 0 for none
    std::string Link1Caption;
    std::string Link1URL;
    std::string Link2Caption;
    std::string Link2URL;
};

// The program's version, shown in the caption and the About box and compared
// by the update check.
inline constexpr const char* AppVersion = "2.0";

}  // namespace varnolt
