# Tests that take longer than the others' limit by their nature: ten thousand
# settings files each loaded and saved whole.
set_tests_properties(HostileSettings.TenThousandMutatedFilesLoseNoIntactReservation PROPERTIES TIMEOUT 600)
