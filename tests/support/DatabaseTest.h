#pragma once

#include "support/DataWorld.h"

#include <QString>
#include <gtest/gtest.h>

// A copy of the shipped data file behind the shared connection, handed to the location model
// too; a data file that cannot be used fails the test. Tests plant and inspect rows with plain
// SQL on that connection, past the unit under test.
class TDatabaseTest : public testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    static void Exec(const QString &Statement);
    // Leaves the process with a closed connection, as a test-only failure handler allows.
    static void LoseConnection();
    // Opens the test's data file again after LoseConnection.
    void Reconnect();

    TDataWorld FRoot{[] { FAIL() << "the test's data file cannot be used"; }};
};
