-- K408020 tables for PostgreSQL (through psqlODBC). The database must use the
-- UTF8 encoding. Apply with:  psql -d <database> -f db/postgresql/schema.sql
-- Names are not quoted, as in the program's statements, so PostgreSQL folds
-- their ASCII letters to lower case consistently (fl1914利用情報区分マスタ).
--
-- The file can be applied again, and to a database where 区分マスタ already
-- exists (shared with other programs): it creates only what is missing, adds
-- the second spelling of the code column where the table has one only, and
-- adds a send/receive type only where no row has its code. Nothing is
-- dropped, altered or deleted.

-- Which trading partner exchanges which information classification in which
-- direction; the three columns together identify a row.
CREATE TABLE IF NOT EXISTS FL1914利用情報区分マスタ (
    相手先企業コード VARCHAR(12) NOT NULL,
    送受信種別       VARCHAR(1)  NOT NULL,
    情報区分コード   VARCHAR(4)  NOT NULL,
    PRIMARY KEY (相手先企業コード, 送受信種別, 情報区分コード)
);

-- Names of the codes of each classification kind. The code column is
-- reachable under both spellings the statements use: 区分コード (full-width
-- katakana) and 区分ｺｰﾄﾞ (half-width), the latter computed from the former.
-- No key over kind and code: the name lookup takes the first row it finds.
CREATE TABLE IF NOT EXISTS 区分マスタ (
    区分       VARCHAR(20) NOT NULL,
    区分コード VARCHAR(10) NOT NULL,
    区分名称   VARCHAR(40),
    区分ｺｰﾄﾞ   VARCHAR(10) GENERATED ALWAYS AS (区分コード) STORED
);

-- A 区分マスタ made elsewhere has one spelling of the code column: the other
-- is added, computed from it. Then each send/receive type is written, into
-- the table's own code column (or both, where both are its own), only where
-- no row of the kind has its code.
DO '
DECLARE
    full_width boolean;
    half_width boolean;
    own_columns text;
    own_values text;
    add_type text;
BEGIN
    SELECT count(*) > 0 INTO full_width FROM pg_attribute
     WHERE attrelid = ''区分マスタ''::regclass AND attname = ''区分コード'' AND NOT attisdropped;
    SELECT count(*) > 0 INTO half_width FROM pg_attribute
     WHERE attrelid = ''区分マスタ''::regclass AND attname = ''区分ｺｰﾄﾞ'' AND NOT attisdropped;
    IF full_width AND NOT half_width THEN
        ALTER TABLE 区分マスタ
            ADD COLUMN 区分ｺｰﾄﾞ VARCHAR(10) GENERATED ALWAYS AS (区分コード) STORED;
    ELSIF half_width AND NOT full_width THEN
        ALTER TABLE 区分マスタ
            ADD COLUMN 区分コード VARCHAR(10) GENERATED ALWAYS AS (区分ｺｰﾄﾞ) STORED;
    END IF;
    SELECT string_agg(quote_ident(attname), '', ''), string_agg(''$2'', '', '')
      INTO own_columns, own_values FROM pg_attribute
     WHERE attrelid = ''区分マスタ''::regclass AND attname IN (''区分コード'', ''区分ｺｰﾄﾞ'')
       AND NOT attisdropped AND attgenerated = '''';
    add_type := format(''INSERT INTO 区分マスタ (区分, %s, 区分名称) SELECT $1, %s, $3''
                       '' WHERE NOT EXISTS (SELECT 1 FROM 区分マスタ WHERE 区分 = $1 AND 区分コード = $2)'',
                       own_columns, own_values);
    EXECUTE add_type USING ''送受信種別'', ''1'', ''送信'';
    EXECUTE add_type USING ''送受信種別'', ''2'', ''受信'';
END';

CREATE INDEX IF NOT EXISTS 区分マスタ_区分コード ON 区分マスタ (区分, 区分コード);
