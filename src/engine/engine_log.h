// Library log level cache shared by the binding and the log callback.
#pragma once

// Called whenever the libraries' log level is set or read back.
void EngineLogLevelChanged(int level);
// The cached library log level (1 = info until the libraries are bound).
int EngineLogLevel();
