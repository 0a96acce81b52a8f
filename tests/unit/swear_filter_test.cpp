#include "chat/swear_filter.h"

#include <gtest/gtest.h>

using tandril::chat::FilterSwearWords;

TEST(SwearFilter, WorkedExamples) {
    struct Case {
        std::string in, out;
    };
    const Case cases[] = {
        {"this hit", "this hit"},  // a listed word across two words is no word
        {"class", "class"},        // "ass" is whole-word only
        {"bass ass.", "bass ***."},
        {"Dick is here", "**** is here"},  // whole word at the start, any case
        {"Dickens wrote", "Dickens wrote"},
        {"S.H.I.T happens", "******* happens"},  // dots inside the word are caught too
        {"sh\xc3\xa9it", "******"},              // an accented letter inside is skipped, then starred
        {"ends with shi", "ends with shi"},      // a partial match at the end stays
        {"AssHole", "*******"},
        {"a wh0re", "a *****"},
        {"fuq", "***"},
        {"fuqs", "fuqs"},
        {"la puta madre", "la **** madre"},
        {"computadora", "computadora"},
        {"que mierda", "que ******"},
    };
    for (const Case& c : cases) {
        std::string line = c.in;
        FilterSwearWords(line);
        EXPECT_EQ(line, c.out) << c.in;
        EXPECT_EQ(line.size(), c.in.size());
    }
}

// Ordinary words that hold a listed word pass untouched; the listed words with their usual endings
// do not.
TEST(SwearFilter, MatchesWordsNotPartsOfWords) {
    for (const char* ordinary : {"pinched", "swanky", "Scunthorpe", "Dickens", "class", "bass", "assassin", "passion", "shitake",
                                 "cocktail", "Pissarro", "therapists", "bullshitter's"}) {
        std::string line = ordinary;
        FilterSwearWords(line);
        EXPECT_EQ(line, ordinary);
    }
    struct Case {
        std::string in, out;
    } cases[] = {
        {"fucking hell", "****ing hell"}, {"Bitches", "*****es"},   {"wankers!", "****ers!"},
        {"it shits", "it ****s"},         {"a pinche", "a ******"}, {"dicks", "dicks"},  // whole-word entries take no ending
    };
    for (const Case& c : cases) {
        std::string line = c.in;
        FilterSwearWords(line);
        EXPECT_EQ(line, c.out) << c.in;
    }
}

TEST(SwearFilter, StarredTextIsNotMatchedAgain) {
    std::string line = "shit dickhead";  // "dickhead" comes before "dick", whose whole word would not fit anyway
    FilterSwearWords(line);
    EXPECT_EQ(line, "**** ********");
}
