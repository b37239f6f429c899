// Which commands of the main window the state of its list allows: every
// command of the window against an empty list, one row selected at the top,
// in the middle and at the bottom, several rows, and all rows.

#include "app/program/MainCommandStates.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

struct Case
{
    const char* name;
    MainListState state;
    // The list-governed commands enabled in this state; the others are off.
    std::vector<int32_t> enabled;
};

const Case kCases[] = {
    {"empty list", {0, 0, -1}, {2010}},
    {"rows, none selected", {3, 0, -1}, {2010, 2011}},
    {"first of three selected", {3, 1, 0}, {2004, 2005, 2006, 2007, 2008, 2010, 2011, 2019, 2020, 2022}},
    {"middle of three selected",
     {3, 1, 1},
     {2004, 2005, 2006, 2007, 2008, 2010, 2011, 2019, 2020, 2021, 2022}},
    {"last of three selected", {3, 1, 2}, {2004, 2005, 2006, 2007, 2008, 2010, 2011, 2019, 2020, 2021}},
    {"the only row selected", {1, 1, 0}, {2004, 2005, 2006, 2007, 2008, 2011, 2019, 2020}},
    {"two of three selected", {3, 2, 0}, {2004, 2005, 2009, 2010, 2011, 2020}},
    {"all three selected", {3, 3, 0}, {2004, 2005, 2009, 2011, 2020}},
};

// Commands the list does not govern stay enabled whatever it holds.
const int32_t kAlwaysEnabled[] = {2001, 2002, 2003, 2013, 2014, 2015, 2016, 2017, 2023, 2024, 2053};

} // namespace

TEST(MainCommandStates, EveryListCommandFollowsTheTable)
{
    for (const Case& c : kCases) {
        for (const int32_t* command = kMainListCommands; *command != 0; ++command) {
            const bool expected = std::find(c.enabled.begin(), c.enabled.end(), *command) != c.enabled.end();
            EXPECT_EQ(MainCommandEnabled(*command, c.state), expected) << c.name << ", command " << *command;
        }
        for (int32_t command : kAlwaysEnabled)
            EXPECT_TRUE(MainCommandEnabled(command, c.state)) << c.name << ", command " << command;
    }
}
