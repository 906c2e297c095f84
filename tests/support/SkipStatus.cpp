// Linked into every test program: a run in which no test failed but some were skipped or
// disabled (DISABLED_, not run) ends with status 77, which ctest shows as a skip
// (SKIP_RETURN_CODE), never as a pass; each is named on standard output with why.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>

namespace {

class SkipStatus : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo& test) override
    {
        const ::testing::TestResult& result = *test.result();
        if (!result.Skipped())
            return;
        std::string why;
        for (int i = 0; i < result.total_part_count(); ++i)
            if (result.GetTestPartResult(i).skipped())
                why += result.GetTestPartResult(i).message();
        printf("[  SKIPPED ] %s.%s: %s\n", test.test_suite_name(), test.name(), why.c_str());
    }
    void OnTestProgramEnd(const ::testing::UnitTest& unit) override
    {
        int disabled = 0; // selected by the filter and shard, yet not run
        for (int i = 0; i < unit.total_test_suite_count(); ++i)
            for (int j = 0; j < unit.GetTestSuite(i)->total_test_count(); ++j) {
                const ::testing::TestInfo& test = *unit.GetTestSuite(i)->GetTestInfo(j);
                if (!test.is_reportable() || test.should_run())
                    continue;
                printf("[  SKIPPED ] %s.%s: disabled\n", test.test_suite_name(), test.name());
                ++disabled;
            }
        if (unit.Passed() && unit.skipped_test_count() + disabled > 0)
            exit(77);
    }
};

struct Install {
    Install() { ::testing::UnitTest::GetInstance()->listeners().Append(new SkipStatus); }
};

const Install install;

} // namespace
