// SPDX-License-Identifier: MIT
// The pictures live in the "pictures" resource object that qt_add_resources
// attaches to this library; a static library still needs one source of its own.
