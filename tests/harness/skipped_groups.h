// Test support: groups of tests whose packages the set-up could not install. scripts/test names
// them in TILEQUILT_SKIPPED_GROUPS; a test of such a group is skipped (and said so), never passed,
// while anywhere else a missing program fails the test.
#pragma once

#include <gtest/gtest.h>

#include <string>

// Whether the set-up skipped `group` ("window-manager", "mutter", "weston", "windows").
bool group_skipped(const std::string& group);

#define SKIP_IF_GROUP_SKIPPED(group)                                                           \
    do {                                                                                       \
        if (group_skipped(group))                                                              \
            GTEST_SKIP() << "the set-up could not install what the " group " tests need";      \
    } while (false)
