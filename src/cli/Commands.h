#pragma once

#include "cli/Command.h"

#include <QList>
#include <memory>

// Every command of wayfarelctl, in the order the usage shows them.
const QList<std::shared_ptr<const TCtlCommand>> &CtlCommands();
