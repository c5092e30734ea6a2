// Files in use cannot be replaced or deleted now: the system is asked to do it at the next
// restart. On the NT family it keeps its own list of moves; older systems read a list of
// renames in 8.3 form at start, which cannot name a replacement whose target has a long
// name, so that job is left to the Finalizer, which renames "*.NewTemp" files after the
// restart. Every request sets RebootNeeded; a replacement left to the Finalizer also sets
// FinalizeNeeded.
#pragma once

bool IsNtPlatform();
// After the next restart source (always target + ".NewTemp" here) replaces target.
void DeferredReplace(const char* target, const char* source);
// After the next restart path is deleted.
void DeferredDelete(const char* path);
