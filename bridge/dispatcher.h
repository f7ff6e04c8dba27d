// The external-call dispatcher: routes each invoke request of the movie by its name.
#pragma once

class ExternalCallDispatcher {
public:
    virtual ~ExternalCallDispatcher() = default;
};
