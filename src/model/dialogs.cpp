#include "model/windows.hpp"

namespace velmor::ui {

AboutBox::AboutBox() : Form("TAboutBox", "About VELMOR") {
    add("Panel6", ControlKind::Panel).withText(" VELMOR ").withFontColor(colors::green);
    add("Panel1", ControlKind::Panel)
        .withText("Quorvath (Version 1.1.1)")
        .withFontColor(colors::green)
        .withBold(true);
    add("Panel2", ControlKind::Panel)
        .withText("Copyright (c) 2026 The VELMOR developers")
        .withFontColor(colors::green)
        .withBold(true);
    add("Panel3", ControlKind::Panel)
        .withText("Contact: through the issue tracker of the VELMOR project")
        .withFontColor(colors::green)
        .withBold(true);
    add("Panel5", ControlKind::Panel)
        .withText("Web: the VELMOR project pages (see README.md)")
        .withFontColor(colors::green);
    add("BitBtn1", ControlKind::Button).withText("&Close");
}

RunBox::RunBox() : Form("TRunBox", "Information") {
    add("Panel1", ControlKind::Panel).withText("Run Status").withFontColor(colors::green);
    add("Memo1", ControlKind::Memo)
        .withReadOnly(true)
        .withTabStop(false)
        .withBackground(colors::white);
    add("BitBtn1", ControlKind::Button).withText("OK");
}

PowerBox::PowerBox() : Form("TPowerBox", "Set Power") {
    add("lblPower", ControlKind::Label)
        .withText("Get N for Power:")
        .withFontColor(colors::green)
        .withBold(true)
        .withAlignRight(true);
    add("txtPower", ControlKind::Edit).withText("0.80");
    add("Label1", ControlKind::Label)
        .withText(
            "Choose the maximum number of iterations for sample size analysis.  The final few "
            "tests may be done "
            "using the number of Monte Carlo samples indicated here.  You might want to choose a "
            "smaller number "
            "for smaller effect sizes.");
    add("lblssiter", ControlKind::Label)
        .withText("Number of Iterations:")
        .withFontColor(colors::green)
        .withBold(true)
        .withAlignRight(true);
    add("ssiterations", ControlKind::Edit).withText("10000");
    add("btnOK", ControlKind::Button).withText("OK");
    add("btnCancel", ControlKind::Button).withText("Cancel");
}

UserBox::UserBox() : Form("TUserBox", "User Agreement") {
    add("Memo1", ControlKind::Memo).withText(UserAgreementText()).withBackground(colors::white);
    add("BitBtn1", ControlKind::Button).withText("&Close");
}

}  // namespace velmor::ui
