#pragma once
// The fixed lists of the registration wizard.

#include <string>
#include <vector>

namespace tandril::session {

inline constexpr const char* kChooseOne = "[Choose One]";
inline constexpr const char* kPreselectedCountry = "United States";

const std::vector<std::string>& AgeChoices();
const std::vector<std::string>& MusicStyleChoices();
const std::vector<std::string>& EducationChoices();
const std::vector<std::string>& SexChoices();
const std::vector<std::string>& CountryChoices();  // 238 names
// The connection speeds, by line-speed code.
const std::vector<std::string>& LineSpeedNames();

}  // namespace tandril::session
