#include "launch/ExecUnit.h"

#include "platform/processes/ProgramStart.h"

namespace tolvex {

int LastResult = 33;
QString LastFile;

int ExecuteFile(const QString& file, const QString& parameters, const QString& directory)
{
    LastResult = shellExecute(file, parameters, directory);
    LastFile = file;
    return LastResult;
}

} // namespace tolvex
