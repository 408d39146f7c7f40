#pragma once
// A strict well-formedness check of markup written as XML: one root element,
// every element closed in order, attributes quoted and not repeated, only
// the five predefined entities and character references, no '<' in texts or
// attribute values. A leading <!DOCTYPE ...> and comments are allowed.
#include <string>
#include <string_view>

namespace testdb {

// "" when the text is well-formed, else what is wrong and where (byte offset).
std::string xmlProblem(std::string_view text);

}  // namespace testdb
