-- The withholding store: the rows of the last declaration, read back in JID order
-- for the PDF listing. The database's default character set is WIN1252.

CREATE TABLE RETEN (
  JID     INTEGER NOT NULL,
  NROCOM  CHAR(20),
  FECHA   CHAR(20),
  IMPORTE NUMERIC(18,2),
  RAZON   CHAR(60),
  CUIT    CHAR(20),
  PERIODO CHAR(20),
  CONSTRAINT PK_RETEN PRIMARY KEY (JID)
);

-- JID follows the order of the inserts, whatever an insert gives for it.
CREATE SEQUENCE GEN_RETEN_JID;

SET TERM ^ ;

CREATE TRIGGER RETEN_BI FOR RETEN
ACTIVE BEFORE INSERT POSITION 0
AS
BEGIN
  NEW.JID = NEXT VALUE FOR GEN_RETEN_JID;
END^

SET TERM ; ^

-- One row, updated by a generation from the clerk's Yes to its commit: while one program
-- writes RETEN, another program's generation is refused before it writes anything.
CREATE TABLE RETEN_LOCK (
  ID INTEGER NOT NULL,
  CONSTRAINT PK_RETEN_LOCK PRIMARY KEY (ID)
);
INSERT INTO RETEN_LOCK (ID) VALUES (1);

-- One row per declaration confirmed with this database, kept for good: which period and
-- version it was, when, how many rows and how much was withheld, the SHA-256 of the declaration
-- file's bytes, and where (machine, folder) the file and its listing were written. VERSION
-- counts the declarations of one file name (BASE) from 1. Names of files and folders are kept
-- in UTF-8, whatever characters they hold.
CREATE TABLE DECLARACION (
  ID         INTEGER NOT NULL,
  LEGAJO     VARCHAR(20) NOT NULL,
  ANIO       INTEGER NOT NULL,
  MES        INTEGER NOT NULL,
  BASE       VARCHAR(20) NOT NULL,
  VERSION    INTEGER NOT NULL,
  CONFIRMADA TIMESTAMP NOT NULL,
  FILAS      INTEGER NOT NULL,
  TOTAL      NUMERIC(18,2) NOT NULL,
  SHA256     CHAR(64) NOT NULL,
  BYTES      BIGINT NOT NULL,
  AGENTE     VARCHAR(60) CHARACTER SET UTF8,
  EQUIPO     VARCHAR(255) CHARACTER SET UTF8 NOT NULL,
  ARCHIVO    VARCHAR(4000) CHARACTER SET UTF8 NOT NULL,
  LISTADO    VARCHAR(4000) CHARACTER SET UTF8,
  -- The window of past declarations reads the newest first, a screenful at a time: the key's
  -- index runs that way. Each index costs a page written at every CONFIRMA's commit; the
  -- version's index also finds a file name's earlier declarations.
  CONSTRAINT PK_DECLARACION PRIMARY KEY (ID) USING DESCENDING INDEX DECLARACION_NEWEST,
  CONSTRAINT UQ_DECLARACION_VERSION UNIQUE (BASE, VERSION)
);

CREATE SEQUENCE GEN_DECLARACION_ID;

SET TERM ^ ;

CREATE TRIGGER DECLARACION_BI FOR DECLARACION
ACTIVE BEFORE INSERT POSITION 0
AS
BEGIN
  NEW.ID = NEXT VALUE FOR GEN_DECLARACION_ID;
END^

SET TERM ; ^

-- What a clerk who attaches as another user than the database's owner needs: RETEN, the
-- sequence its trigger takes JID from, the lock row (which a generation puts back when it
-- finds it gone), and DECLARACION with its sequence (a generation adds its row, points the row
-- of the declaration it replaced at the kept copy, and takes both back if its file cannot be
-- put in place). The user is the README's RETENCIONES; create_database --grant-to NAME gives
-- another user the same.
GRANT SELECT, INSERT, UPDATE, DELETE ON RETEN TO USER RETENCIONES;
GRANT USAGE ON SEQUENCE GEN_RETEN_JID TO USER RETENCIONES;
GRANT SELECT, INSERT, UPDATE ON RETEN_LOCK TO USER RETENCIONES;
GRANT SELECT, INSERT, UPDATE, DELETE ON DECLARACION TO USER RETENCIONES;
GRANT USAGE ON SEQUENCE GEN_DECLARACION_ID TO USER RETENCIONES;

-- What the withholding certificates say of an agent besides its name and CUIT: its domicile,
-- and the name and position of whoever signs them. One row per legajo (its number), written
-- from the window "Datos del agente" and shared by every clerk on the database.
CREATE TABLE AGENTE (
  LEGAJO    INTEGER NOT NULL,
  DOMICILIO VARCHAR(100),
  FIRMANTE  VARCHAR(60),
  CARGO     VARCHAR(60),
  CONSTRAINT PK_AGENTE PRIMARY KEY (LEGAJO)
);
GRANT SELECT, INSERT, UPDATE ON AGENTE TO USER RETENCIONES;

-- The register of suppliers, learned from every declaration made, imported or reloaded: the
-- CUIT as the declaration writes it, the company name of the latest declaration exactly as
-- declared, the last period declared (YYYY-MM) and how many withholdings it has had in the
-- declarations made, each counted once for its period.
CREATE TABLE SUJETO (
  CUIT     VARCHAR(20) NOT NULL,
  RAZON    VARCHAR(60) NOT NULL,
  PERIODO  CHAR(7),
  CANTIDAD INTEGER DEFAULT 0 NOT NULL,
  CONSTRAINT PK_SUJETO PRIMARY KEY (CUIT)
);
GRANT SELECT, INSERT, UPDATE ON SUJETO TO USER RETENCIONES;

-- What the latest declaration of each period counted for each supplier: a period declared again
-- replaces its rows here, and its share of SUJETO.CANTIDAD with them. Rows are only ever found
-- by period, so the key, the table's one index, starts with it.
CREATE TABLE SUJETO_PERIODO (
  CUIT     VARCHAR(20) NOT NULL,
  PERIODO  CHAR(7) NOT NULL,
  CANTIDAD INTEGER NOT NULL,
  CONSTRAINT PK_SUJETO_PERIODO PRIMARY KEY (PERIODO, CUIT)
);
GRANT SELECT, INSERT, UPDATE, DELETE ON SUJETO_PERIODO TO USER RETENCIONES;
