#pragma once
// Errors of the driver as GDAL reports them: every entry point GDAL calls catches what
// the engine and the export throw (their messages name the file and the cause) and
// passes it to CPLError, so that no exception crosses into GDAL or its host program.

#include <exception>
#include <new>
#include <string>

#include <cpl_error.h>

namespace ter5::exchange {

// Reports the exception being handled through CPLError at `level`, with `code`.
inline void ReportCurrentException(CPLErr level, CPLErrorNum code = CPLE_AppDefined) {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        CPLError(level, CPLE_OutOfMemory, "Paradox driver: out of memory");
    } catch (const std::exception& e) {
        CPLError(level, code, "%s", e.what());
    } catch (...) {
        CPLError(level, code, "Paradox driver: unknown error");
    }
}

// Runs `work`; when it throws, reports the error as a failure and returns `failed`.
template <typename Work, typename Result>
Result Guarded(const Work& work, Result failed) {
    try {
        return work();
    } catch (...) {
        ReportCurrentException(CE_Failure);
        return failed;
    }
}

}  // namespace ter5::exchange
