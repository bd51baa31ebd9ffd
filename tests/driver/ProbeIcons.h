#pragma once
// What the probe leaves on a message box: the property's name and its values.
constexpr char ProbeIconProperty[] = "TarnquillProbeIcon";
enum ProbeIcon : int {
    ProbeIconUnset = 0,  // the probe has not looked at the box (yet)
    ProbeIconNone = 1,
    ProbeIconError,
    ProbeIconQuestion,
    ProbeIconWarning,
    ProbeIconInformation,
    ProbeIconOther,
};
