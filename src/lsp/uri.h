// file: URIs, as the editor names documents, and the paths they stand for.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zirn::lsp {

// The path of a file: URI ("file:///a/b%20c.ZIRN" gives "/a/b c.ZIRN"), or
// nothing for another scheme, a remote host or a path with a NUL byte.
std::optional<std::string> path_of_uri(std::string_view uri);

// The file: URI of an absolute path, with every byte but letters, digits,
// "-._~/" percent-encoded.
std::string uri_of_path(std::string_view path);

// The folder part of a path: "/a/b.ZIRN" gives "/a", "b.ZIRN" gives ".".
std::string folder_of(std::string_view path);

}  // namespace zirn::lsp
