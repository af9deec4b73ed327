// The camera switch dialog (template 405): the camera models by name, one
// to choose. OK only with a model of the table chosen; anything else counts
// as Cancel.
#pragma once

#include "win/Dialog.h"

class CCameraSwitchDlg : public CDialog {
public:
    CCameraSwitchDlg();

    // The switch button's screen rectangle: the dialog opens below it.
    void SetButtonRect(const RECT& rect) { m_buttonRect = rect; }
    void SetIndex(int index) { m_index = index; }
    int Index() const { return m_index; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    RECT m_buttonRect = {};
    int m_index = 0;
};
