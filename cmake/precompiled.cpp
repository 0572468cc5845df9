// The translation unit the shared precompiled header of the tests is built with.
