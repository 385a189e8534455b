// Placeholder translation unit so the map library always has a source.
namespace ter5::map { int MapLibraryVersion() { return 1; } }
