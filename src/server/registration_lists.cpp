#include "server/registration_lists.h"

namespace tandril::server {

// The lists of the optional-information page, each after "[Choose One]"; the blanks inside the
// age texts are part of them.
const std::vector<std::string>& AgeChoices() {
    static const std::vector<std::string> list = {"12 ou moins", "13 à  17 ans  ", "18 à  25 ans  ", "26 à  29 ans  ",
                                                  "30 à  39 ans  ", "40 à  49 ans  ", "50 à  59 ans  ", "60 et plus "};
    return list;
}

const std::vector<std::string>& MusicStyleChoices() {
    static const std::vector<std::string> list = {"Blues", "Classical", "Country", "Dance/Club/Techno", "Disco", "Funk", "Gospel",
                                                  "Hip-Hop", "Indie Rock", "International", "Jazz", "New Age", "Oldies", "Punk",
                                                  "Rock", "Showtunes", "Soul", "Vocal", "Autre"};
    return list;
}

const std::vector<std::string>& EducationChoices() {
    static const std::vector<std::string> list = {"Grammar/Middle School", "High School", "Some College", "Associate Degree",
                                                  "Bachelors Degree", "Graduate Degree"};
    return list;
}

const std::vector<std::string>& SexChoices() {
    static const std::vector<std::string> list = {"Male", "Female"};
    return list;
}

const std::vector<std::string>& CountryChoices() {
    static const std::vector<std::string> list = {
    "Afghanistan", "Albanie", "Algerie", "American Samoa", "Andorre", "Angola", "Anguilla", "Antarctica",
    "Antigua And Barbuda", "Argentina", "Armenia", "Aruba", "Australia", "Austria", "Azerbaijan", "Bahamas",
    "Bahrain", "Bangladesh", "Barbados", "Belarus", "Belgium", "Belize", "Benin", "Bermuda", "Bhutan",
    "Bolivia", "Bosnia and Herzegovina", "Botswana", "Bouvet Island", "Brazil",
    "British Indian Ocean Territory", "Brunei", "Bulgarie", "Burkina Faso", "Burundi", "Cambodia",
    "Cameroon", "Canada", "Cape Verde", "Cayman Islands", "Central African Republic", "Chad", "Chile",
    "China", "Christmas Island", "Cocos (Keeling) Islands", "Colombia", "Comoros", "Congo", "Cook Islands",
    "Costa Rica", "Cote D'Ivoire (Ivory Coast)", "Croatie (Hrvatska)", "Cuba", "Chypre", "Czech Republic",
    "D.P.R. Korea", "Dem Rep of Congo (Zaire)", "Denmark", "Djibouti", "Dominica", "Dominican Republic",
    "East Timor", "Ecuador", "Egypt", "El Salvador", "Equatorial Guinea", "Eritrea", "Estonie", "Ethiopia",
    "Falkland Islands (Malvinas)", "Faroe Islands", "Fiji", "Finland", "France", "French Guiana",
    "French Polynesia", "French Southern Territories", "Gabon", "Gambia", "Georgia", "Germany", "Ghana",
    "Gibraltar", "Greece", "Greenland", "Grenada", "Guadeloupe", "Guam", "Guatemala", "Guinea",
    "Guinea-Bissau", "Guyana", "Haiti", "Heard and McDonald Islands", "Honduras", "Hong Kong SAR, PRC",
    "Hungary", "Iceland", "India", "Indonesia", "Iran", "Iraq", "Ireland", "Israel", "Italy", "Jamaica",
    "Japon", "Jordan", "Kazakhstan", "Kenya", "Kiribati", "Corée", "Kuwait", "Kyrgyzstan", "Lao", "Latvia",
    "Lebanon", "Lesotho", "Liberia", "Libye", "Liechtenstein", "Lithuania", "Luxembourg", "Macao",
    "Macedonia", "Madagascar", "Malawi", "Malaysia", "Maldives", "Mali", "Malta", "Marshall Islands",
    "Martinique", "Mauritania", "Mauritius", "Mayotte", "Mexico", "Micronesia", "Moldova", "Monaco",
    "Mongolia", "Montserrat", "Morocco", "Mozambique", "Myanmar", "Namibia", "Nauru", "Nepal", "Netherlands",
    "Netherlands Antilles", "New Caledonia", "New Zealand", "Nicaragua", "Niger", "Nigeria", "Niue",
    "Norfolk Island", "Northern Mariana Islands", "Norway", "Oman", "Pakistan", "Palau", "Panama",
    "Papua new Guinea", "Paraguay", "Peru", "Philippines", "Pitcairn", "Poland", "Portugal", "Puerto Rico",
    "Qatar", "Reunion", "Romania", "Russia", "Rwanda", "Saint Kitts And Nevis", "Saint Lucia",
    "Saint Vincent And The Grenadines", "Samoa", "San Marino", "Sao Tome and Principe", "Saudi Arabia",
    "Senegal", "Seychelles", "Sierra Leone", "Singapore", "Slovak Republic", "Slovenia", "Solomon Islands",
    "Somalia", "South Africa", "South Georgia And The South Sandwich Islands", "Spain", "Sri Lanka",
    "St Helena", "St Pierre and Miquelon", "Sudan", "Suriname", "Svalbard And Jan Mayen Islands",
    "Swaziland", "Sweden", "Switzerland", "Syria", "Taiwan", "Tajikistan", "Tanzania", "Thailand", "Togo",
    "Tokelau", "Tonga", "Trinidad And Tobago", "Tunisia", "Turkey", "Turkmenistan",
    "Turks And Caicos Islands", "Tuvalu", "Uganda", "Ukraine", "United Arab Emirates", "United Kingdom",
    "United States", "United States Minor Outlying Islands", "Uruguay", "Uzbekistan", "Vanuatu",
    "Vatican City State (Holy See)", "Venezuela", "Vietnam", "Virgin Islands (British)",
    "Virgin Islands (US)", "Wallis And Futuna Islands", "Western Sahara", "Yemen", "Yugoslavia", "Zambia",
    "Zimbabwe",
    };
    return list;
}

const std::vector<std::string>& LineSpeedNames() {
    static const std::vector<std::string> list = {"I don't know!", "14.4", "28.8", "33.6", "56K", "ISDN-56K", "ISDN-128K",
                                                  "Câble", "DSL", "T1", "T3"};
    return list;
}

}  // namespace tandril::server
