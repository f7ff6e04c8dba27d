// The update check and the download of a new installer.
#pragma once

class UpdateCheck {
public:
    virtual ~UpdateCheck() = default;
};
