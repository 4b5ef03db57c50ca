// The unit the libraries' common precompiled headers are made with (see
// CMakeLists.txt): built with no definitions of its own, so that every
// library may use what it makes. It holds no code.
