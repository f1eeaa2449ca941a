#pragma once
// The compress page "圧縮" of the options sheet: the format a freeze uses by default, and
// whether a freeze from the menu or by drag and drop removes the frozen items afterwards.
#include "settings/settings.h"
#include "shell/dialog.h"

// The list offers the formats that can be written, at the positions of Zent_PosOfType
// (archiver/zent_types.h); a type it does not offer (RAR, ARJ, GCA) selects nothing.
class Options_CompressPageWindow : public Dialog_Page {
public:
    explicit Options_CompressPageWindow(Zent_Settings* settings);

protected:
    void OnInit() override;
    void OnCommand(int id, int code) override;
    bool OnApply() override;

private:
    Zent_Settings* settings_;
};
