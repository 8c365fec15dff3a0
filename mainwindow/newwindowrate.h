#pragma once
// How many windows a page may open on its own: a handful, then none until the member clicks in
// the page again. A page's script that asks for windows in a loop, or on a timer while the
// window waits in the tray all night, gets no more than that handful, whether they would be our
// own browser windows or hand-offs to the default browser; a window the member asks for always
// opens.
class NewWindowRate
{
public:
    static constexpr int kMaxUnrequested = 3;

    // Whether a request may open a window. One the member asked for (a click or key press in the
    // page) gives the page its handful back; one no member asked for uses it up.
    bool allow(bool userInitiated);
    // The member clicked or pressed a key in the page: its handful is whole again.
    void memberInput();

private:
    int unrequested_ = 0; // windows no member asked for since the member's last input
};
