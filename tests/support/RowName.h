// The names of the rows of a table of cases, taken from their `name` member: in the test
// names (the last argument of INSTANTIATE_TEST_SUITE_P) and in the messages about a failed
// row (a file brings PrintTo in with `using rows::PrintTo;` where its rows are declared).
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace rows {

struct RowName {
    template <class Row> std::string operator()(const ::testing::TestParamInfo<Row>& info) const {
        return std::string(info.param.name);
    }
};

template <class Row>
requires requires(const Row& row) {
    row.name;
}
void PrintTo(const Row& row, std::ostream* os) {
    *os << row.name;
}

} // namespace rows

using rows::RowName;
