#pragma once

#include "app/Database.h"
#include "desk/DeskSession.h"
#include "support/TestEnvironment.h"

// Another desk of the same house: its own connection and session on the test's database, with
// the test's clock.
struct OtherDesk
{
    explicit OtherDesk(TestEnvironment& env)
        : session(database, env.clock)
    {
        ok = (env.server() ? database.openServer(env.server()->address()) : database.open(env.database.filePath()))
            && session.restore().ok();
    }
    Database database;
    DeskSession session;
    bool ok = false;
};
