// Standard input, output and error as the program found them. A program
// started with one of them closed (`>&-`) would hand its number to the next
// file it opens: a temporary file on descriptor 1 would then take the sound
// meant for standard output, and the run would report success. Closed ones
// are therefore opened on /dev/null at once, and remembered as closed, so that
// a run that needs them can refuse.
#pragma once

struct StandardDescriptors {
    bool m_bInputClosed = false;
    bool m_bOutputClosed = false;
    bool m_bErrorClosed = false;
};

// Looks at descriptors 0, 1 and 2 and puts /dev/null in place of closed ones.
// Called first thing in main, before anything opens a file.
StandardDescriptors OccupyClosedStandardDescriptors();
