#include "chat/swear_filter.h"

#include <gtest/gtest.h>

using tandril::chat::FilterSwearWords;

TEST(SwearFilter, WorkedExamples) {
    struct Case {
        std::string in, out;
    };
    const Case cases[] = {
        {"this hit", "thi*****"},  // spread over two words, the blank included
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

TEST(SwearFilter, StarredTextIsNotMatchedAgain) {
    std::string line = "shithead dickhead";  // "dickhead" comes before "dick"... and "shit" before "shithead"
    FilterSwearWords(line);
    EXPECT_EQ(line, "****head ********");
}
