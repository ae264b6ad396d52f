#pragma once

// The members of the exception family that only the core raises.

#include <Rirediro/ErrorHandling/VUVI_Error.h>

VUVI_DECLARE_EXCEPTION(VUVI_AssertionFailed, "Assertion failed");
VUVI_DECLARE_EXCEPTION(VUVI_OperationCancelledByUser, "Operation cancelled by user");
VUVI_DECLARE_EXCEPTION(VUVI_BadAlloc, "Out of memory");
VUVI_DECLARE_EXCEPTION(VUVI_BadSize, "Bad size");
VUVI_DECLARE_EXCEPTION(VUVI_BadArgument, "Bad argument");
VUVI_DECLARE_EXCEPTION(VUVI_UnexpectedException, "Unexpected exception");
VUVI_DECLARE_EXCEPTION(VUVI_GandalfError, "Image library error");
VUVI_DECLARE_EXCEPTION(VUVI_ExternalException, "External error");
VUVI_DECLARE_EXCEPTION(VUVI_OperationInProgress, "Operation in progress");
