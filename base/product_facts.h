#pragma once
// The maker's addresses. They are set when the program is configured (the CMake cache variables
// NUVELA_WEB_SITE, NUVELA_CONTACT, NUVELA_CONTRIBUTION_URL and NUVELA_FEEDBACK_URL) and are empty
// by default: an empty address is none, and whatever would open it is hidden or left out.
#include <string>

struct MakerAddresses {
    std::wstring webSite;
    std::wstring contact;       // an e-mail address, or a web address starting with http:// or https://
    std::wstring contribution;
    std::wstring feedback;
};

const MakerAddresses& GetMakerAddresses();
// For tests: replaces the configured addresses and returns the previous ones.
MakerAddresses SetMakerAddresses(const MakerAddresses& addresses);
