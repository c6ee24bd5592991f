# Tests that take longer than the others' limit by their nature: ten thousand
# settings files each loaded and saved whole.
set_tests_properties(HostileSettings.TenThousandMutatedFilesLoseNoIntactReservation PROPERTIES TIMEOUT 600)
# In the emulated PC of scripts/vm everything takes several times longer.
if(DEFINED ENV{TALVO_IN_VM})
    set_tests_properties(HostileSettings.TenThousandMutatedFilesLoseNoIntactReservation
                         SafeSaving.KilledAtRandomMomentsOfSavesEveryFileLoadsWholeOldOrNew
                         PROPERTIES TIMEOUT 1200)
endif()
