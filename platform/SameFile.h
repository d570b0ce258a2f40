// Whether two paths name one file, whatever their spelling: through "..",
// another case, another drive mapping or a hard link. The converter uses it
// so that writing its output never destroys its input.
#pragma once

namespace platform {

// True when both paths name the same existing file; false when they differ
// or either cannot be examined.
bool sameFile(const char* first, const char* second);

}  // namespace platform
