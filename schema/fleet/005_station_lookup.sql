-- The station a role is, found through the index on stations.role. The
-- policies compared the column with current_user as it stands, a name whose
-- collation is "C", which that index (the column's own collation) cannot
-- serve: every statement of every station read the whole stations table, and
-- a thousand stations' pushes kept the server busy with it.
ALTER POLICY station_own_row ON stations
    USING (role = current_user::text COLLATE "default");
ALTER POLICY station_own_row_update ON stations
    USING (role = current_user::text COLLATE "default")
    WITH CHECK (role = current_user::text COLLATE "default");
ALTER POLICY station_site ON sites
    USING (site = (SELECT s.site FROM stations s
                   WHERE s.role = current_user::text COLLATE "default"));
ALTER POLICY station_site ON units
    USING (site = (SELECT s.site FROM stations s
                   WHERE s.role = current_user::text COLLATE "default"));
ALTER POLICY station_site ON time_zones
    USING (site = (SELECT s.site FROM stations s
                   WHERE s.role = current_user::text COLLATE "default"));
ALTER POLICY station_site ON master_codes
    USING (site IS NULL OR site = (SELECT s.site FROM stations s
                                   WHERE s.role = current_user::text COLLATE "default"));
ALTER POLICY station_own_rows ON gate_log
    USING ((site, station) = (SELECT s.site, s.station FROM stations s
                              WHERE s.role = current_user::text COLLATE "default"));
ALTER POLICY station_own_rows_insert ON gate_log
    WITH CHECK ((site, station) = (SELECT s.site, s.station FROM stations s
                                   WHERE s.role = current_user::text COLLATE "default"));

-- Each push and check rewrites its station's row: room on the page lets the
-- new version stay there (no index entry to add, nothing for the next reader
-- to step over).
ALTER TABLE stations SET (fillfactor = 50);
