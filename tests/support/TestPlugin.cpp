// A plug-in for the test player to load as a player loads its plug-ins: a library of the tests'
// own, built once for each plug-in name, whose bytes tell them apart.
extern "C" __declspec(dllexport) const char* PluginName() { return TQ_PLUGIN_NAME; }
