// A table of results and what each should be, both compared as text: many
// small cases of pure functions in a few lines, a failure naming its row.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace pellucor::testing_support {

// A row: Is(Trim(" a "), "a").
struct Is {
    template <class T> Is(const T& result, std::string expected) : want(std::move(expected))
    {
        if constexpr (std::is_convertible_v<const T&, std::string_view>) {
            got = std::string(std::string_view(result));
        } else {
            std::ostringstream text;
            text << std::boolalpha << result;
            got = text.str();
        }
    }
    std::string got, want;
};

inline void expectRows(const std::vector<Is>& rows)
{
    for (size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(rows[i].got, rows[i].want) << "row " << i + 1;
}

}  // namespace pellucor::testing_support
